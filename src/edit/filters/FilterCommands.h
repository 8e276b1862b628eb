#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace vistrel {

class ImageDocument;
class StatusPanels;

// What the typed tile size means: a size of 2 to 64, or the message to show.
struct TileSizeCheck {
    std::optional<int> size;
    QString message;
};
TileSizeCheck CheckTileSize(const QString& text);

// The mosaic and colour-change commands and the toggle for working outside the selection.
class FilterCommands {
public:
    FilterCommands(ImageDocument& document, StatusPanels& status, QWidget* parent,
                   std::function<void(int context)> help);

    // The finished area selection, if there is one.
    std::function<std::optional<QRect>()> selection;
    // Shows the outside toggle's state on its menu item and button.
    std::function<void(bool)> showOutside;
    // The tile-size prompt; nothing when cancelled. Tests replace it.
    std::function<std::optional<QString>()> askTileSize;
    // The colour dialog for an area of the view; 0 when cancelled. Tests replace it.
    std::function<int(const QImage& view, const QRect& area)> askColour;

    void mnuEditMozaicClick();
    void mnuEditColorClick();
    void mnuEditRangeOverClick();
    bool outside() const { return m_outside; }

private:
    void apply(int kind, int parameter, const QString& busyText);

    ImageDocument& m_document;
    StatusPanels& m_status;
    bool m_outside = false;
};

} // namespace vistrel
