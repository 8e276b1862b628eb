// What drawing objects cost on a 4K capture: committing one (a copy of the picture and the
// object drawn into it), and redrawing the area of a pen stroke while it is being drawn, as the
// view's layer does on every pointer move.
#include "edit/annotate/Annotation.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace vistrel;

namespace {

QImage capture4K()
{
    QImage picture(3840, 2160, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            row[x] = qRgb(x & 0xff, y & 0xff, (x ^ y) & 0xff);
    }
    return picture;
}

Annotation sample(AnnotationKind kind)
{
    Annotation object;
    object.kind = kind;
    object.colour = Qt::red;
    object.width = 3;
    object.sigma = 6;
    object.number = 7;
    if (kind == AnnotationKind::Pen || kind == AnnotationKind::Marker) {
        for (int i = 0; i < 500; ++i) // a wavy stroke across 2000 pixels
            object.points << QPointF(500 + 4 * i, 1000 + 200 * std::sin(i / 30.0));
    } else {
        object.points = {QPointF(500, 500), QPointF(1500, 1100)};
    }
    return object;
}

void BM_CommitObject(benchmark::State& state)
{
    const QImage picture = capture4K();
    const Annotation object = sample(AnnotationKind(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawAnnotation(picture, object));
}

// The layer's redraw for one pointer move: the stroke's area restored from the picture and
// the stroke drawn again.
void BM_RedrawStrokeArea(benchmark::State& state)
{
    const QImage picture = capture4K();
    QImage composed = picture;
    const Annotation object = sample(AnnotationKind::Pen);
    const QRect area = AnnotationBounds(object).toAlignedRect() & picture.rect();
    for (auto _ : state) {
        QPainter painter(&composed);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(area.topLeft(), picture, area);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setClipRect(area);
        PaintAnnotation(painter, object, composed);
    }
}

} // namespace

// 1 arrow, 2 line, 3 pen, 4 marker, 7 blur (sigma 6 over 1000 x 600).
BENCHMARK(BM_CommitObject)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawStrokeArea)->Unit(benchmark::kMillisecond);
