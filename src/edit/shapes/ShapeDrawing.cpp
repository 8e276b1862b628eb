#include "edit/shapes/ShapeDrawing.h"

#include <QPainter>

#include <algorithm>

namespace vistrel {

int LineWidthOfIndex(int lineIndex)
{
    const int index = std::clamp(lineIndex, 0, 9);
    return index < 5 ? index + 1 : index - 4;
}

bool LineIsDotted(int lineIndex)
{
    return lineIndex >= 5 && lineIndex <= 9;
}

QColor ColourOfReference(int colourReference)
{
    return QColor(colourReference & 0xFF, (colourReference >> 8) & 0xFF,
                  (colourReference >> 16) & 0xFF);
}

QPen ShapePen(int colourReference, int lineIndex)
{
    QPen pen(ColourOfReference(colourReference), LineWidthOfIndex(lineIndex),
             LineIsDotted(lineIndex) ? Qt::DotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void DrawShape(QImage& picture, BandKind kind, const QRect& selection, int colourReference,
               int lineIndex)
{
    const int width = LineWidthOfIndex(lineIndex);
    const int topLeftInset = width / 2;
    const int bottomRightInset = (width - 1) / 2;
    const QPoint start = selection.topLeft() + QPoint(topLeftInset, topLeftInset);
    const QPoint end = selection.topLeft() + QPoint(selection.width(), selection.height()) -
                       QPoint(bottomRightInset, bottomRightInset);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(ShapePen(colourReference, lineIndex));
    painter.setBrush(Qt::NoBrush);
    DrawRubberBand(painter, kind, start, end);
}

} // namespace vistrel
