#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>

#include <functional>

namespace vistrel {

class EditModes;
class EditSurface;
class ImageDocument;
class Platform;
class StatusPanels;
struct Settings;

// Stamping a standard cursor or an icon into the picture: the cursor list, the
// chosen image, the stamping mode with its preview box, and the stamp itself.
class StampTools : public QObject {
    Q_OBJECT

public:
    StampTools(ImageDocument& document, StatusPanels& status, Settings& settings, EditModes& modes,
               EditSurface& surface, Platform& platform);

    // The picker of registered icons: a slot index, or -1.
    std::function<int()> pickIcon;
    // The open dialog for one icon or cursor file, starting in a folder; empty on cancel.
    std::function<QString(const QString& folder)> askStampFile;

    // The twelve standard cursors, 32 x 32, in the order of the menu's tags.
    const QList<QImage>& cursorImages() const { return m_cursors; }
    const QImage& cursorImage() const { return m_cursorImage; }

    void mnuCur1Click(int tag);
    void mnuIconTouPasteClick();
    void mnuIconFlPasteClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enterStamping(const QImage& image);
    void followPointer(QPoint pointer);
    void release(QPoint pointer, bool stamp);

    ImageDocument& m_document;
    StatusPanels& m_status;
    Settings& m_settings;
    EditModes& m_modes;
    EditSurface& m_surface;
    QList<QImage> m_cursors;
    QImage m_cursorImage;
};

} // namespace vistrel
