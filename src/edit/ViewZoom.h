#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace vistrel {

// How the image view scales the picture: a factor from 1/8 to 32, 0 meaning "fit to the
// window". Nearest neighbour above 100 % so that pixels stay sharp squares, smooth below.
namespace ViewZoom {

constexpr double Smallest = 1.0 / 8;
constexpr double Largest = 32.0;

// The next step up (direction > 0) or down from `current`, which need not be a step itself
// (a fitted factor); stays at the ends.
double step(double current, int direction);
// The factor that shows the whole picture inside `area`, between the ends.
double fitting(QSize picture, QSize area);
// "表示倍率 : 25%" for the status bar.
QString text(double factor);

// The picture pixel under a point of the view whose picture starts at `origin`.
QPoint toPicture(QPointF viewPoint, QPoint origin, double factor);
// Where a picture corner point lies in the view.
QPoint toView(QPoint picturePoint, QPoint origin, double factor);
// The view pixels a rectangle of picture pixels covers.
QRect toView(const QRect& pictureRect, QPoint origin, double factor);

// The factor the view widget shows its picture at (1 until set); read by the overlays.
double of(const QWidget* view);
void set(QWidget* view, double factor);

} // namespace ViewZoom

} // namespace vistrel
