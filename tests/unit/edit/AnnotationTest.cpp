#include "edit/annotate/Annotation.h"
#include "edit/filters/GaussianBlur.h"

#include <QLineF>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

Annotation object(AnnotationKind kind, QPolygonF points, QColor colour = Qt::red, int width = 1)
{
    Annotation made;
    made.kind = kind;
    made.points = std::move(points);
    made.colour = colour;
    made.width = width;
    return made;
}

QImage filled(QRgb colour)
{
    QImage picture(80, 60, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

} // namespace

TEST(ArrowShape, HeadCoversTheTipAndGrowsWithTheWidthButNotPastTheArrow)
{
    const ArrowGeometry thin = ArrowShape({0, 0}, {100, 0}, 1);
    const ArrowGeometry thick = ArrowShape({0, 0}, {100, 0}, 5);
    EXPECT_EQ(thin.head[0], QPointF(100, 0));
    // The barbs lie symmetric about the shaft, behind the tip.
    EXPECT_DOUBLE_EQ(thin.head[1].y(), -thin.head[2].y());
    EXPECT_LT(thin.head[1].x(), 100);
    const double thinLength = 100 - thin.head[1].x();
    const double thickLength = 100 - thick.head[1].x();
    EXPECT_GT(thickLength, thinLength);
    // The shaft ends inside the head, so no square end shows beside the tip.
    EXPECT_GT(thin.shaftEnd.x(), thin.head[1].x());
    EXPECT_LT(thin.shaftEnd.x(), 100);
    const ArrowGeometry shortArrow = ArrowShape({0, 0}, {0, 6}, 5);
    EXPECT_GE(shortArrow.head[1].y(), 0);
}

TEST(SnapToAngle, KeepsTheLengthOnFifteenDegreeSteps)
{
    const QPointF snapped = SnapToAngle({0, 0}, {100, 4});
    EXPECT_NEAR(snapped.y(), 0, 1e-9);
    EXPECT_NEAR(snapped.x(), QLineF(0, 0, 100, 4).length(), 1e-9);
    const QPointF diagonal = SnapToAngle({10, 10}, {60, 58});
    EXPECT_NEAR(diagonal.x() - 10, diagonal.y() - 10, 1e-9);
}

TEST(BadgeCounter, CountsEachPictureOnItsOwn)
{
    BadgeCounter counter;
    EXPECT_EQ(counter.next(1), 1);
    counter.used(1, 1);
    counter.used(1, 2);
    counter.used(2, 1);
    EXPECT_EQ(counter.next(1), 3);
    EXPECT_EQ(counter.next(2), 2);
    counter.forget(1);
    EXPECT_EQ(counter.next(1), 1);
}

TEST(DrawAnnotation, LinesMarkersAndBlurGiveExactPixelsWhereTheyAreWhole)
{
    const QImage white = filled(qRgb(255, 255, 255));
    const QImage line =
        DrawAnnotation(white, object(AnnotationKind::Line, {{10.5, 20.5}, {60.5, 20.5}}));
    EXPECT_EQ(line.pixel(30, 20), qRgb(255, 0, 0));
    EXPECT_EQ(line.pixel(30, 22), qRgb(255, 255, 255));

    // A highlighter multiplies: white turns its colour, black stays black.
    QImage text = white;
    text.setPixel(30, 20, qRgb(0, 0, 0));
    const Annotation marker =
        object(AnnotationKind::Marker, {{10.5, 20.5}, {60.5, 20.5}}, QColor(255, 255, 0));
    const QImage marked = DrawAnnotation(text, marker);
    EXPECT_EQ(marked.pixel(40, 20), qRgb(255, 255, 0));
    EXPECT_EQ(marked.pixel(30, 20), qRgb(0, 0, 0));

    QImage stripes = filled(qRgb(0, 0, 0));
    for (int x = 0; x < stripes.width(); x += 2)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, qRgb(255, 255, 255));
    Annotation blur = object(AnnotationKind::Blur, {{40.5, 30.5}, {10.5, 5.5}});
    blur.sigma = 3;
    EXPECT_EQ(BlurArea(blur, stripes.size()), QRect(QPoint(10, 5), QPoint(40, 30)));
    EXPECT_EQ(DrawAnnotation(stripes, blur),
              GaussianBlurred(stripes, QRect(QPoint(10, 5), QPoint(40, 30)), 3));
}

TEST(AnnotationHandles, CornersScaleAStrokeAndEndsMoveAlone)
{
    Annotation pen = object(AnnotationKind::Pen, {{10, 10}, {20, 30}, {30, 10}});
    DragAnnotationHandle(pen, 2, {50, 50}); // bottom right, top left stays
    EXPECT_EQ(pen.points[0], QPointF(10, 10));
    EXPECT_EQ(pen.points[1], QPointF(30, 50));
    EXPECT_EQ(pen.points[2], QPointF(50, 10));
    Annotation arrow = object(AnnotationKind::Arrow, {{0, 0}, {10, 0}});
    DragAnnotationHandle(arrow, 0, {5, 5});
    EXPECT_EQ(arrow.points, QPolygonF({{5, 5}, {10, 0}}));
    EXPECT_TRUE(AnnotationHit(arrow, {10, 0}, 1));
    EXPECT_FALSE(AnnotationHit(arrow, {0, 30}, 1));
}
