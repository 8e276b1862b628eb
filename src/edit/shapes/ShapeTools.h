#pragma once

#include "edit/modes/RubberBand.h"

#include <QColor>
#include <QObject>

#include <functional>
#include <optional>

namespace vistrel {

class EditModes;
class ImageDocument;
class StatusPanels;
class TDrawPanel;
struct Settings;

// Rectangles, rounded rectangles and ellipses drawn into the picture: the figure
// buttons, the drawing colour and line, and the commit of a placed shape.
class ShapeTools : public QObject {
    Q_OBJECT

public:
    ShapeTools(ImageDocument& document, StatusPanels& status, Settings& settings, EditModes& modes,
               TDrawPanel& panel);

    // The colour dialog, preset to the drawing colour; nothing when cancelled.
    std::function<std::optional<QColor>(const QColor&)> askColour;
    // Checks the line menu's item of an index.
    std::function<void(int)> checkLineItem;
    // The drawing colour or line width changed; the drawing tools restyle their selection.
    std::function<void()> drawingStyleChanged;

    void tButLineClick(BandKind kind);
    void tbutDrawColorClick();
    void mnuLinedot0Click(int lineIndex);
    // Draws the placed figure into the picture, as one undo step.
    void commit();

    std::optional<BandKind> activeFigure() const { return m_active; }

private:
    void raiseFigureButtons();
    void restyleFinishedFrame();

    ImageDocument& m_document;
    StatusPanels& m_status;
    Settings& m_settings;
    EditModes& m_modes;
    TDrawPanel& m_panel;
    std::optional<BandKind> m_active;
    bool m_committing = false;
};

} // namespace vistrel
