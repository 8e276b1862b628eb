#include "edit/modes/EditSurface.h"

#include "edit/ViewZoom.h"
#include "edit/modes/RubberBand.h"
#include "edit/modes/TTrackBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace vistrel {

namespace {

constexpr int ScrollStep = 5;

} // namespace

EditSurface::EditSurface(QScrollArea* box, QLabel* view)
    : QObject(view)
    , m_box(box)
    , m_view(view)
    , m_band(new RubberBandOverlay(view, origin()))
    , m_frame(new TTrackBox(view, origin()))
{
    m_view->setMouseTracking(true);
    m_view->installEventFilter(this);
    m_box->installEventFilter(this);
}

QPoint EditSurface::origin() const
{
    const QMargins margins = m_view->contentsMargins();
    return {margins.left(), margins.top()};
}

QPoint EditSurface::picturePoint(QPointF viewPoint) const
{
    return ViewZoom::toPicture(viewPoint, origin(), ViewZoom::of(m_view));
}

void EditSurface::setCrossCursor(bool cross)
{
    if (cross)
        m_view->setCursor(Qt::CrossCursor);
    else
        m_view->unsetCursor();
}

void EditSurface::focusBox()
{
    if (!m_box->hasFocus())
        m_box->setFocus(Qt::MouseFocusReason);
}

void EditSurface::scrollTowards(QPoint picturePoint)
{
    const QPoint inViewport = m_view->mapTo(
        m_box->viewport(), ViewZoom::toView(picturePoint, origin(), ViewZoom::of(m_view)));
    const QSize visible = m_box->viewport()->size();
    const auto step = [](QScrollBar* bar, int position, int extent) {
        if (position < 0)
            bar->setValue(bar->value() - ScrollStep);
        else if (position >= extent)
            bar->setValue(bar->value() + ScrollStep);
    };
    step(m_box->verticalScrollBar(), inViewport.y(), visible.height());
    step(m_box->horizontalScrollBar(), inViewport.x(), visible.width());
}

bool EditSurface::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_box && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && onEscape) {
        onEscape();
        return false;
    }
    if (watched != m_view)
        return false;
    const auto handler = [&]() -> std::function<void(QPoint)>* {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            return &onPress;
        case QEvent::MouseMove:
            return &onMove;
        case QEvent::MouseButtonRelease:
            return &onRelease;
        default:
            return nullptr;
        }
    }();
    if (handler == nullptr || !*handler)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    (*handler)(picturePoint(mouse->position()));
    return false;
}

} // namespace vistrel
