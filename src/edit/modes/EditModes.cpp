#include "edit/modes/EditModes.h"

#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "edit/modes/EditSurface.h"
#include "edit/modes/SelectionGeometry.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QPalette>

#include <utility>

namespace vistrel {

namespace {

const QString TrimItem = QStringLiteral("mnuEditCut");
const QString AreaItem = QStringLiteral("mnuEditRange");

QString corner(const char* caption, int x, int y)
{
    return QStringLiteral("[%1 : %2 × %3] ").arg(QString::fromUtf8(caption)).arg(x).arg(y);
}

QString spanText(QPoint start, QPoint end)
{
    return corner("開始座標", start.x(), start.y()) + corner("終了位置", end.x(), end.y()) +
           corner("幅と高さ", std::abs(start.x() - end.x()), std::abs(start.y() - end.y()));
}

} // namespace

EditModes::EditModes(ImageDocument& document, StatusPanels& status, Settings& settings,
                     EditSurface& surface, EditModesHost& host)
    : m_document(document), m_status(status), m_settings(settings), m_surface(surface), m_host(host)
{
    m_surface.onPress = [this](QPoint point) { imaBitmapMouseDown(point); };
    m_surface.onMove = [this](QPoint point) { imaBitmapMouseMove(point); };
    m_surface.onRelease = [this](QPoint point) { imaBitmapMouseUp(point); };
    // Esc leaves trimming or area selection, as their toggles do; a placed shape is
    // never dropped this way.
    m_surface.onEscape = [this] {
        if (m_mode == ModeTrim)
            mnuEditCutClick();
        else if (m_mode == ModeArea)
            mnuEditRangeClick();
    };
    connect(&m_surface.trackBox(), &TTrackBox::trackChanged, this, &EditModes::SyncSelection);
    connect(&m_document, &ImageDocument::viewChanged, this, &EditModes::pictureChanged);
    m_surface.rubberBand().setPen(m_settings.COLOR.LHAN, m_settings.COLOR.LINE);
}

EditModes::~EditModes()
{
    m_surface.onPress = nullptr;
    m_surface.onMove = nullptr;
    m_surface.onRelease = nullptr;
    m_surface.onEscape = nullptr;
}

QSize EditModes::pictureSize() const
{
    return m_document.viewBitmap().size();
}

QRect EditModes::selection() const
{
    const bool valid = (m_mode == ModeArea || m_mode == ModeShape) && m_state == StateFinished;
    return valid ? m_selection : QRect();
}

void EditModes::EndEditMode()
{
    if (m_mode == ModeShape && m_state == StateFinished && commitShape)
        commitShape();
    if (m_mode == ModeAnnotate && endAnnotating)
        endAnnotating();
    m_mode = ModeNone;
    m_state = StateIdle;
    m_surface.setCrossCursor(false);
    m_host.setToggle(TrimItem, false);
    m_host.setToggle(AreaItem, false);
    if (raiseShapeButtons)
        raiseShapeButtons();
    ShowSelectionFrame(false);
    m_surface.rubberBand().hideBand();
    m_surface.rubberBand().setPen(m_settings.COLOR.LHAN, m_settings.COLOR.LINE);
}

void EditModes::toggleMode(EditMode mode)
{
    const QString& item = mode == ModeTrim ? TrimItem : AreaItem;
    if (!CheckPictureShown(m_document)) {
        m_host.setToggle(item, m_mode == mode); // a click must not leave it pressed
        return;
    }
    const bool wasOn = m_mode == mode;
    EndEditMode();
    m_host.setToggle(item, !wasOn);
    if (wasOn) {
        m_status.ShowStatusMessage(QString());
        return;
    }
    ArmMode(mode);
}

void EditModes::ArmMode(EditMode mode)
{
    m_mode = mode;
    m_state = StateArmed;
    m_surface.setCrossCursor(true);
}

void EditModes::mnuEditCutClick()
{
    toggleMode(ModeTrim);
}

void EditModes::mnuEditRangeClick()
{
    toggleMode(ModeArea);
}

void EditModes::imaBitmapMouseDown(QPoint point)
{
    if (m_mode == ModeAnnotate) {
        if (annotatePress)
            annotatePress(point);
        return;
    }
    const bool onPicture = QRect(QPoint(0, 0), pictureSize()).contains(point);
    m_clickOnFinished = m_mode == ModeShape && m_state == StateFinished && onPicture;
    if (m_state != StateArmed || m_mode == ModeNone || m_mode == ModeStamp)
        return;
    if (!onPicture)
        return; // the margin around the picture is not part of it
    m_dragStart = point;
    m_dragEnd = point;
    if (m_mode == ModeArea || m_mode == ModeShape) {
        ShowSelectionFrame(true);
        m_surface.trackBox().setInner(QRect(point, QSize(1, 1)));
        SyncSelection();
    }
    m_state = StateDragging;
}

void EditModes::imaBitmapMouseMove(QPoint point)
{
    if (m_mode == ModeAnnotate) { // a text being typed keeps the keyboard
        if (annotateMove)
            annotateMove(point);
        return;
    }
    m_surface.focusBox();
    if (m_mode != ModeTrim && m_mode != ModeArea && m_mode != ModeShape)
        return;
    m_surface.scrollTowards(point);
    const auto show = [this](const QString& text) { showTracking(text); };
    if (m_state == StateArmed) {
        show(corner("開始座標", point.x(), point.y()) +
             QStringLiteral("開始位置を決定して、終了位置までドラッグしてください..."));
        return;
    }
    if (m_state != StateDragging)
        return;
    const QPoint clamped = ClampToPicture(point, pictureSize());
    if (m_mode == ModeTrim) {
        m_dragEnd = clamped;
        showTrimBand();
        show(spanText(m_dragStart, m_dragEnd) + QStringLiteral("終了位置でドロップてください..."));
        return;
    }
    // The frame follows the drag in any direction and keeps at least one pixel inside.
    m_dragEnd = clamped;
    m_surface.trackBox().setInner(SpanBetween(m_dragStart, m_dragEnd));
    SyncSelection();
}

void EditModes::imaBitmapMouseUp(QPoint point)
{
    if (m_mode == ModeAnnotate) {
        if (annotateRelease)
            annotateRelease(point);
        return;
    }
    if (std::exchange(m_clickOnFinished, false)) {
        imaBitmapClick();
        return;
    }
    if (m_state != StateDragging)
        return;
    if (m_mode == ModeTrim) {
        finishTrim();
        return;
    }
    m_state = StateFinished;
    m_surface.setCrossCursor(false);
}

void EditModes::imaBitmapClick()
{
    if (m_mode == ModeShape && m_state == StateFinished && commitShape)
        commitShape();
}

void EditModes::showTrimBand()
{
    m_surface.rubberBand().showBand(BandKind::Rectangle, m_dragStart, m_dragEnd);
}

void EditModes::finishTrim()
{
    const QRect span = SpanBetween(m_dragStart, m_dragEnd);
    m_dragStart = span.topLeft();
    m_dragEnd = span.topLeft() + QPoint(span.width(), span.height());
    m_status.ShowStatusMessage(QStringLiteral("切り抜きウイザード表示中..."));

    TrimRequest request;
    request.view = m_document.viewBitmap();
    request.start = m_dragStart;
    request.end = m_dragEnd;
    request.invertBand = m_settings.COLOR.LHAN;
    request.bandColour = m_settings.COLOR.LINE;
    request.follow = [this](QPoint start, QPoint end) {
        m_dragStart = start;
        m_dragEnd = end;
        showTrimBand();
    };
    TrimWizardSettings wizard{m_settings.OBJECT.RANGEPIXELS, m_settings.OBJECT.RANGEZOOM,
                              m_settings.OBJECT.RANGEACTION};
    const TrimChoice choice = m_host.ExecuteTrim(request, wizard);
    m_settings.OBJECT.RANGEPIXELS = wizard.stepIndex;
    m_settings.OBJECT.RANGEZOOM = wizard.zoom;
    m_settings.OBJECT.RANGEACTION = wizard.action;

    m_surface.rubberBand().hideBand();
    if (m_mode != ModeTrim) {
        // A capture ended the mode while the wizard was open: its corners belong to a
        // picture that is no longer shown.
        m_status.ShowStatusMessage(QString());
        return;
    }
    mnuEditCutClick(); // switched off as the toggle does
    if (choice.code == 0)
        return;
    const QRect rect = SpanBetween(choice.start, choice.end) & QRect(QPoint(0, 0), pictureSize());
    if (rect.isEmpty()) {
        MessageBox::information(
            QStringLiteral("切り抜き範囲の幅と高さを1ピクセル以上にしてください。"));
        return;
    }
    m_lastTrim = rect;
    m_lastTrimAction = choice.code;
    trimTo(rect, choice.code);
}

void EditModes::trimTo(const QRect& rect, int code)
{
    m_document.currentImage() = m_document.viewBitmap().copy(rect);
    m_host.PerformAfterAction(code);
}

void EditModes::mnuEditCutReturnClick()
{
    if (!CheckPictureShown(m_document))
        return;
    if (m_lastTrimAction == 0) {
        MessageBox::information(QStringLiteral("直前の切り抜き操作はありません。"));
        return;
    }
    const QSize picture = pictureSize();
    if (picture.width() < m_lastTrim.x() + m_lastTrim.width() ||
        picture.height() < m_lastTrim.y() + m_lastTrim.height()) {
        MessageBox::information(
            QStringLiteral("切り抜き範囲がビットマップのサイズを超えています。"));
        return;
    }
    trimTo(m_lastTrim, m_lastTrimAction);
}

void EditModes::ShowSelectionFrame(bool show)
{
    TTrackBox& frame = m_surface.trackBox();
    if (!show) {
        frame.hide();
        return;
    }
    const QColor caption = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    if (m_mode == ModeShape) {
        frame.setStyle(caption, QStringLiteral("エリア選択後、画像をクリックして確定"),
                       shapeOutline ? shapeOutline() : TTrackBox::Outline{});
    } else {
        frame.setStyle(caption, QStringLiteral("エリア選択後、カラー変更 or モザイク"),
                       TTrackBox::Outline{BandKind::Rectangle, caption, 1, true});
    }
    frame.setLimits(pictureSize());
    frame.show();
    frame.raise();
}

void EditModes::SyncSelection()
{
    TTrackBox& frame = m_surface.trackBox();
    const QRect inner = ClampSelection(frame.inner(), pictureSize());
    if (inner != frame.inner())
        frame.setInner(inner);
    m_selection = inner;
    const QString advice =
        m_mode == ModeShape
            ? QStringLiteral("図形描画範囲外で画像をクリックすると描画位置が確定されます")
            : QStringLiteral("選択した領域に対してモザイク処理／色の変更を行ってください");
    const QPoint end = inner.topLeft() + QPoint(inner.width(), inner.height());
    showTracking(spanText(inner.topLeft(), end) + advice);
}

void EditModes::showTracking(const QString& text)
{
    // Shown on every mouse move: set without repainting the whole window each time.
    MessageBox::trace(QStringLiteral("status"), text);
    m_status.setPanelText(2, text);
}

void EditModes::pictureChanged()
{
    if (m_mode == ModeNone)
        return;
    if (m_document.viewBitmap().isNull()) {
        EndEditMode();
        return;
    }
    // An edit that changed the picture's size keeps the frame on it.
    TTrackBox& frame = m_surface.trackBox();
    frame.setLimits(pictureSize());
    if (frame.isVisibleTo(frame.parentWidget()) &&
        ClampSelection(frame.inner(), pictureSize()) != frame.inner())
        SyncSelection();
}

} // namespace vistrel
