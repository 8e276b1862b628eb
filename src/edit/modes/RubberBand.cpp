#include "edit/modes/RubberBand.h"

#include "edit/ViewZoom.h"
#include "edit/modes/SelectionGeometry.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace vistrel {

void PrepareRubberBandPen(QPainter& painter, bool invert, int lineColourReference)
{
    const QColor colour(lineColourReference & 0xFF, (lineColourReference >> 8) & 0xFF,
                        (lineColourReference >> 16) & 0xFF);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.setCompositionMode(invert ? QPainter::RasterOp_NotDestination
                                      : QPainter::RasterOp_NotSourceXorDestination);
}

void DrawRubberBand(QPainter& painter, BandKind kind, QPoint start, QPoint end)
{
    const QRect span = SpanBetween(start, end);
    if (span.width() == 0 || span.height() == 0)
        return;
    // A 1-pixel pen outlines x .. x + w inclusive: one less covers exactly the span.
    const QRect outline(span.x(), span.y(), span.width() - 1, span.height() - 1);
    switch (kind) {
    case BandKind::Rectangle:
        painter.drawRect(outline);
        break;
    case BandKind::RoundRect: {
        const int corner = std::min(span.width(), span.height()) / 4;
        painter.drawRoundedRect(outline, corner / 2.0, corner / 2.0);
        break;
    }
    case BandKind::Ellipse:
        painter.drawEllipse(outline);
        break;
    }
}

RubberBandOverlay::RubberBandOverlay(QWidget* parent, QPoint origin)
    : QWidget(parent), m_origin(origin)
{
    setObjectName(QStringLiteral("rubberBand"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(parent->rect());
    parent->installEventFilter(this); // follows the view as it resizes to each picture
    hide();
}

void RubberBandOverlay::setPen(bool invert, int lineColourReference)
{
    m_invert = invert;
    m_lineColour = lineColourReference;
    update();
}

QRect RubberBandOverlay::bandArea() const
{
    return m_band ? ViewZoom::toView(SpanBetween(m_band->start, m_band->end), m_origin,
                                     ViewZoom::of(parentWidget()))
                        .adjusted(-1, -1, 1, 1)
                  : QRect();
}

void RubberBandOverlay::showBand(BandKind kind, QPoint start, QPoint end)
{
    // Only where the band was and where it goes: a drag over a large picture stays cheap.
    const QRect before = bandArea();
    m_band = Band{kind, start, end};
    if (!isVisible()) {
        show();
        raise();
    }
    update(QRegion(before) | bandArea());
}

void RubberBandOverlay::hideBand()
{
    m_band.reset();
    hide();
}

bool RubberBandOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void RubberBandOverlay::paintEvent(QPaintEvent*)
{
    if (!m_band)
        return;
    // Drawn in the view's pixels, so that the line stays one pixel wide at any zoom.
    const double zoom = ViewZoom::of(parentWidget());
    QPainter painter(this);
    PrepareRubberBandPen(painter, m_invert, m_lineColour);
    DrawRubberBand(painter, m_band->kind, ViewZoom::toView(m_band->start, m_origin, zoom),
                   ViewZoom::toView(m_band->end, m_origin, zoom));
}

} // namespace vistrel
