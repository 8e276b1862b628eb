#include "edit/ViewZoom.h"

#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace vistrel::ViewZoom {

namespace {

// Simple fractions below 100 %, whole factors above, so that the steps feel even.
constexpr double Steps[] = {1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1.0,  2.0,
                            3.0,     4.0,     6.0,     8.0,     12.0,    16.0,    24.0, 32.0};
constexpr double Tolerance = 1e-9;
const char* const FactorProperty = "vistrelViewZoom";

} // namespace

double step(double current, int direction)
{
    if (direction > 0) {
        const auto* next = std::find_if(std::begin(Steps), std::end(Steps),
                                        [current](double s) { return s > current + Tolerance; });
        return next == std::end(Steps) ? Largest : *next;
    }
    const auto below = std::find_if(std::rbegin(Steps), std::rend(Steps),
                                    [current](double s) { return s < current - Tolerance; });
    return below == std::rend(Steps) ? Smallest : *below;
}

double fitting(QSize picture, QSize area)
{
    if (picture.isEmpty() || area.isEmpty())
        return 1.0;
    const double factor =
        std::min(double(area.width()) / picture.width(), double(area.height()) / picture.height());
    return std::clamp(factor, Smallest, Largest);
}

QString text(double factor)
{
    const double percent = factor * 100;
    // Whole percentages as they are; the thirds and sixths of the small steps to one place.
    const bool whole = std::abs(percent - std::round(percent)) < 0.05;
    return QStringLiteral("表示倍率 : %1%")
        .arg(whole ? QString::number(std::lround(percent)) : QString::number(percent, 'f', 1));
}

QPoint toPicture(QPointF viewPoint, QPoint origin, double factor)
{
    const QPointF offset = viewPoint - QPointF(origin);
    return {int(std::floor(offset.x() / factor)), int(std::floor(offset.y() / factor))};
}

QPoint toView(QPoint picturePoint, QPoint origin, double factor)
{
    return origin + QPoint(int(std::lround(picturePoint.x() * factor)),
                           int(std::lround(picturePoint.y() * factor)));
}

QRect toView(const QRect& pictureRect, QPoint origin, double factor)
{
    const QPoint topLeft = toView(pictureRect.topLeft(), origin, factor);
    const QPoint end = toView(
        pictureRect.topLeft() + QPoint(pictureRect.width(), pictureRect.height()), origin, factor);
    return {topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y())};
}

double of(const QWidget* view)
{
    const QVariant factor = view != nullptr ? view->property(FactorProperty) : QVariant();
    return factor.isValid() ? factor.toDouble() : 1.0;
}

void set(QWidget* view, double factor)
{
    view->setProperty(FactorProperty, factor);
}

} // namespace vistrel::ViewZoom
