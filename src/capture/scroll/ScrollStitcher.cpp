#include "capture/scroll/ScrollStitcher.h"

#include <QPainter>

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace vistrel {

namespace {

// How many bottom rows of frame k to leave out: s(k + 1), but never so many
// that the rows up to where frame k + 1's moving part starts are missing.
int bottomCut(int step, int movingHeight)
{
    if (step <= 0)
        return 0;
    return std::min(step, std::max(0, movingHeight - step));
}

QImage allocatePicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    if (picture.isNull())
        throw std::runtime_error(
            QStringLiteral("スクロールした画像 (%1 x %2) を作るメモリが足りません")
                .arg(width)
                .arg(height)
                .toStdString());
    picture.fill(Qt::black);
    return picture;
}

} // namespace

QImage StitchScrollFrames(int frameHeight, const std::vector<int>& steps, ScrollBands bands,
                          const std::function<QImage(int frame)>& readFrame,
                          const std::function<void(const QString&)>& trace)
{
    const int n = int(steps.size());
    const int total = std::accumulate(steps.begin(), steps.end(), 0);
    const int height = frameHeight + total;
    trace(QStringLiteral("初期高さ  :") + QString::number(frameHeight));
    trace(QStringLiteral("全体高さ  :") + QString::number(height));
    trace(QStringLiteral("スクロール:") + QString::number(total));

    QImage result;
    int bottom = height;
    for (int k = n; k >= 0; --k) {
        const int step = k < n ? steps[size_t(k)] : 0; // s(k + 1)
        bottom -= step;
        QImage frame = readFrame(k);
        if (frame.format() != QImage::Format_RGB32)
            frame.convertTo(QImage::Format_RGB32);
        if (result.isNull())
            result = allocatePicture(frame.width(), std::max(height, 1));
        const int hk = frame.height();
        const int top = bottom - hk;
        const int movingHeight = hk - bands.top - bands.bottom;
        const int firstRow = k == 0 ? 0 : bands.top;
        const int endRow = k == n ? hk : hk - bands.bottom - bottomCut(step, movingHeight);
        trace(QStringLiteral("実画像サイズ  :[%1]%2").arg(k).arg(hk));
        trace(QStringLiteral("スクロール単位:[%1]%2").arg(k).arg(step));
        trace(QStringLiteral("貼り付け範囲  :[%1]%2-%3=%4").arg(k).arg(top).arg(bottom).arg(hk));
        if (endRow > firstRow) {
            QPainter painter(&result);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(QPoint(0, top + firstRow), frame,
                              QRect(0, firstRow, frame.width(), endRow - firstRow));
        }
    }
    return result;
}

} // namespace vistrel
