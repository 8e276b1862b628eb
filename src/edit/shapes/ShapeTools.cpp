#include "edit/shapes/ShapeTools.h"

#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "edit/modes/EditModes.h"
#include "edit/shapes/ShapeDrawing.h"
#include "edit/shapes/TDrawPanel.h"
#include "settings/Settings.h"

#include <QColorDialog>
#include <QScopedValueRollback>
#include <QToolButton>

namespace vistrel {

ShapeTools::ShapeTools(ImageDocument& document, StatusPanels& status, Settings& settings,
                       EditModes& modes, TDrawPanel& panel)
    : m_document(document), m_status(status), m_settings(settings), m_modes(modes), m_panel(panel)
{
    askColour = [&panel](const QColor& current) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(current, panel.window());
        return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
    };
    m_settings.MAIN.LINEWIDTH = std::clamp(m_settings.MAIN.LINEWIDTH, 0, 9);
    m_panel.showColour(m_settings.MAIN.LINECOLOR);
    m_panel.showLine(m_settings.MAIN.LINEWIDTH);
    connect(&m_panel, &TDrawPanel::figureClicked, this, &ShapeTools::tButLineClick);
    connect(&m_panel, &TDrawPanel::colourClicked, this, &ShapeTools::tbutDrawColorClick);
    m_modes.commitShape = [this] { commit(); };
    m_modes.raiseShapeButtons = [this] { raiseFigureButtons(); };
    m_modes.shapeOutline = [this] {
        const int line = m_settings.MAIN.LINEWIDTH;
        return TTrackBox::Outline{m_active.value_or(BandKind::Rectangle),
                                  ColourOfReference(m_settings.MAIN.LINECOLOR),
                                  LineWidthOfIndex(line), LineIsDotted(line)};
    };
    raiseFigureButtons();
}

void ShapeTools::raiseFigureButtons()
{
    m_active.reset();
    for (BandKind kind : {BandKind::Rectangle, BandKind::RoundRect, BandKind::Ellipse})
        m_panel.figureButton(kind)->setChecked(false);
}

void ShapeTools::tButLineClick(BandKind kind)
{
    const std::optional<BandKind> wasActive = m_active;
    if (!CheckPictureShown(m_document)) {
        for (BandKind each : {BandKind::Rectangle, BandKind::RoundRect, BandKind::Ellipse})
            m_panel.figureButton(each)->setChecked(each == m_active); // undo the click's toggle
        return;
    }
    m_modes.EndEditMode(); // commits a placed shape first and raises every figure button
    if (wasActive == kind) {
        m_status.ShowStatusMessage(QString());
        return;
    }
    m_active = kind;
    m_panel.figureButton(kind)->setChecked(true);
    m_modes.ArmMode(ModeShape);
}

void ShapeTools::commit()
{
    const QRect selection = m_modes.selection();
    if (m_committing || !m_active || selection.isEmpty())
        return;
    const QScopedValueRollback committing(m_committing, true);
    const BandKind kind = *m_active;
    QImage& picture = m_document.currentImage();
    picture = m_document.viewBitmap().copy();
    DrawShape(picture, kind, selection, m_settings.MAIN.LINECOLOR, m_settings.MAIN.LINEWIDTH);
    m_modes.EndEditMode();
    m_document.SetCurrentImage(ImageDocument::Mode::Commit);
}

void ShapeTools::restyleFinishedFrame()
{
    if (drawingStyleChanged)
        drawingStyleChanged();
    if (m_modes.mode() == ModeShape && m_modes.state() == StateFinished)
        m_modes.ShowSelectionFrame(true);
}

void ShapeTools::tbutDrawColorClick()
{
    const std::optional<QColor> chosen = askColour(ColourOfReference(m_settings.MAIN.LINECOLOR));
    if (!chosen)
        return;
    m_settings.MAIN.LINECOLOR = chosen->red() | (chosen->green() << 8) | (chosen->blue() << 16);
    m_panel.showColour(m_settings.MAIN.LINECOLOR);
    restyleFinishedFrame();
}

void ShapeTools::mnuLinedot0Click(int lineIndex)
{
    m_settings.MAIN.LINEWIDTH = std::clamp(lineIndex, 0, 9);
    m_panel.showLine(m_settings.MAIN.LINEWIDTH);
    if (checkLineItem)
        checkLineItem(m_settings.MAIN.LINEWIDTH);
    restyleFinishedFrame();
}

} // namespace vistrel
