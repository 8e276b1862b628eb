#include "capture/scroll/ScrollStitcher.h"

#include <QByteArray>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <stdexcept>
#include <utility>

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

// Copies columns [left, right) of rows [first, end) of `frame` to `picture` at row `top`.
void copyBlock(QImage& picture, int top, const QImage& frame, int first, int end, int left,
               int right)
{
    if (right <= left)
        return;
    for (int y = std::max(first, -top); y < end && top + y < picture.height(); ++y)
        std::memcpy(picture.scanLine(top + y) + left * 4, frame.constScanLine(y) + left * 4,
                    size_t(right - left) * 4);
}

// The row of columns [left, right) that occurs most often in rows [first, end).
int mostCommonRow(const QImage& frame, int first, int end, int left, int right)
{
    QHash<QByteArray, int> counts;
    int best = first;
    int bestCount = 0;
    for (int y = first; y < end; ++y) {
        const QByteArray key(reinterpret_cast<const char*>(frame.constScanLine(y)) + left * 4,
                             (right - left) * 4);
        const int count = ++counts[key];
        if (count > bestCount) {
            best = y;
            bestCount = count;
        }
    }
    return best;
}

// Frame 0's fixed columns down to its bottom band, then its most common row of
// them down to the picture's bottom band.
void drawFixedColumns(QImage& picture, const QImage& first, ScrollBands bands)
{
    const int end = first.height() - bands.bottom;
    const int fillEnd = picture.height() - bands.bottom;
    const int width = first.width();
    for (const auto& [left, right] :
         {std::pair(0, bands.left), std::pair(width - bands.right, width)}) {
        if (right <= left || end <= bands.top)
            continue;
        copyBlock(picture, 0, first, 0, end, left, right);
        const int row = mostCommonRow(first, bands.top, end, left, right);
        for (int y = end; y < fillEnd; ++y)
            copyBlock(picture, y - row, first, row, row + 1, left, right);
    }
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
        // Only frame 0 gives the fixed columns; the bottom band comes whole from frame n.
        const bool whole = k == 0 || n == 0;
        const int left = whole ? 0 : std::min(bands.left, frame.width());
        const int right = whole ? frame.width() : std::max(left, frame.width() - bands.right);
        const int movingEnd = k == n ? hk - bands.bottom : endRow;
        copyBlock(result, top, frame, firstRow, std::max(firstRow, movingEnd), left, right);
        if (k == n)
            copyBlock(result, top, frame, std::max(firstRow, hk - bands.bottom), hk, 0,
                      frame.width());
        if (k == 0 && n > 0 && (bands.left > 0 || bands.right > 0))
            drawFixedColumns(result, frame, bands);
    }
    return result;
}

} // namespace vistrel
