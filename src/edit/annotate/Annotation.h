#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>

class QPainter;

namespace vistrel {

// The drawing tools whose results stay editable until they are drawn into the picture.
// The numbers are what the settings keep as the last tool.
enum class AnnotationKind {
    Arrow = 1,
    Line = 2,
    Pen = 3,
    Marker = 4,
    Text = 5,
    Badge = 6,
    Blur = 7
};
constexpr int AnnotationKindCount = 7;

// One drawn object in picture coordinates (pixel centres lie at .5).
struct Annotation {
    AnnotationKind kind = AnnotationKind::Line;
    // Arrow and line: start and end; pen and marker: the stroke; text and badge: the
    // anchor (top-left of the text, centre of the badge); blur: two opposite corners.
    QPolygonF points;
    QColor colour = Qt::red;
    int width = 1;
    // Text: what was typed; badge: its number.
    QString text;
    int number = 0;
    QString fontFamily;
    int fontSize = 16;
    bool outline = false;
    double sigma = 4.0;
};

// Where an arrow's shaft ends and the filled head that covers its tip, for a stroke width.
struct ArrowGeometry {
    QPointF shaftEnd;
    QPolygonF head; // tip, then the two barbs
};
ArrowGeometry ArrowShape(QPointF from, QPointF to, int width);

// `to` moved onto the nearest direction from `from` that is a multiple of `stepDegrees`,
// keeping its distance.
QPointF SnapToAngle(QPointF from, QPointF to, double stepDegrees = 15.0);

// A freehand stroke as quadratic curves through the midpoints of its points, which smooths
// the steps of the pointer's whole-pixel positions.
QPainterPath SmoothedStroke(const QPolygonF& points);

// The stroke width a highlighter of the panel's line width paints with.
int MarkerWidth(int lineWidth);
// The badge's radius for a line width.
double BadgeRadius(int lineWidth);
QFont AnnotationFont(const Annotation& annotation);
// The rectangle of picture pixels a blur covers, inside the picture.
QRect BlurArea(const Annotation& annotation, QSize picture);

// What the object covers in picture coordinates, its stroke included.
QRectF AnnotationBounds(const Annotation& annotation);
// Whether a point lies on the object, within `slack` picture pixels.
bool AnnotationHit(const Annotation& annotation, QPointF point, double slack);
void MoveAnnotation(Annotation& annotation, QPointF offset);
// The points that resize the object when dragged: the ends of arrows and lines, the four
// corners of what a pen, marker or blur covers; none for text and badges.
QList<QPointF> AnnotationHandles(const Annotation& annotation);
// Drags handle `index` to `to`: an end moves alone; a corner scales the object against
// the opposite corner.
void DragAnnotationHandle(Annotation& annotation, int index, QPointF to);

// Paints the object with anti-aliasing; `picture` is what lies beneath (the blur reads it).
// The painter's transform maps picture coordinates to the device.
// `preedit` is text being composed by the input method, shown underlined after the text.
void PaintAnnotation(QPainter& painter, const Annotation& annotation, const QImage& picture,
                     const QString& preedit = QString());
// The picture with the object drawn into it.
QImage DrawAnnotation(const QImage& picture, const Annotation& annotation);

// The numbers badges take on each picture: one more than the highest given so far.
class BadgeCounter {
public:
    int next(int picture) const;
    void used(int picture, int number);
    void forget(int picture);

private:
    QList<QPair<int, int>> m_highest; // picture, highest number
};

} // namespace vistrel
