#include "edit/UndoHistory.h"

#include <QDir>
#include <QFile>
#include <QTransform>

#include <gtest/gtest.h>

#include <chrono>
#include <malloc.h>
#include <thread>
#include <vector>

using namespace vistrel;

namespace {

QImage filled(int w, int h, QImage::Format format, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * seed) & 255, (y + seed) & 255, (x ^ y) & 255));
    return image.convertToFormat(format);
}

qsizetype runningThreads()
{
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

qsizetype mappings()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll().count('\n') : -1;
}

} // namespace

TEST(UndoHistory, EveryStepComesBackExactlyAfterCompression)
{
    // Formats with colour tables and odd strides, and a picture over someone else's memory
    // whose stride is wider than a new picture's.
    static uchar foreign[40 * 7];
    for (size_t i = 0; i < sizeof foreign; ++i)
        foreign[i] = uchar(i * 37);
    std::vector<QImage> pictures{filled(640, 480, QImage::Format_RGB32, 3),
                                 filled(333, 101, QImage::Format_BGR888, 5),
                                 filled(97, 31, QImage::Format_Indexed8, 7),
                                 filled(13, 9, QImage::Format_Mono, 11),
                                 QImage(foreign, 9, 7, 40, QImage::Format_Grayscale8),
                                 QImage(),
                                 filled(1, 1, QImage::Format_ARGB32, 2)};
    pictures[0].setDotsPerMeterX(3780);
    UndoHistory history;
    for (const QImage& picture : pictures)
        history.push(picture);
    ASSERT_EQ(history.size(), int(pictures.size()));
    for (size_t i = pictures.size() - 1; i > 0; --i) {
        const QImage back = history.dropNewest();
        SCOPED_TRACE(i - 1);
        EXPECT_EQ(back, pictures[i - 1]);
        EXPECT_EQ(back.format(), pictures[i - 1].format());
        EXPECT_EQ(back.colorTable(), pictures[i - 1].colorTable());
        EXPECT_EQ(back.dotsPerMeterX(), pictures[i - 1].dotsPerMeterX());
    }
    EXPECT_EQ(history.size(), 1);
}

TEST(UndoHistory, OlderScreenPicturesTakeAFractionOfTheirSize)
{
    UndoHistory history;
    const QImage screen = filled(1920, 1080, QImage::Format_RGB32, 0);
    for (int i = 0; i < 4; ++i)
        history.push(screen.copy());
    EXPECT_LT(history.packedBytes(), 3 * screen.sizeInBytes() / 10);
}

// Every picture is packed on a worker; none of them may leave a finished thread unjoined with
// its stack still mapped, nor a memory mapping of its own, for as long as the history keeps it.
// Pictures over the allocator's mapping threshold (pinned here, as it is at a program's start)
// come from mappings of their own.
TEST(UndoHistory, PackingLeavesNoThreadStacksBehind)
{
    // Waits until no more than one packing thread runs.
    const auto settle = [threads = runningThreads()] {
        for (int i = 0; i < 500 && runningThreads() > threads + 1; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    ASSERT_EQ(mallopt(M_MMAP_THRESHOLD, 128 * 1024), 1);
    UndoHistory history;
    QImage picture(256, 256, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    history.push(picture);
    history.push(picture);
    settle();
    const qsizetype before = mappings();
    for (int i = 0; i < 64; ++i)
        history.push(picture);
    settle();
    EXPECT_LT(mappings() - before, 16) << "threads left with their stacks";
    history.packedBytes(); // every picture packed
    EXPECT_LT(mappings() - before, 16) << "packed pictures in mappings of their own";
    EXPECT_EQ(history.size(), 66);
}

TEST(UndoHistory, SmallChangesAreKeptAsTilesAndEveryUndoIsExact)
{
    // A photograph-like picture that zstd cannot shrink much on its own.
    QImage screen(1000, 700, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            screen.setPixel(x, y, (noise = noise * 1103515245 + 12345) >> 8);
    std::vector<QImage> steps{screen};
    const auto changed = [&steps](const QRect& area, QRgb colour) {
        QImage next = steps.back().copy();
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                next.setPixel(x, y, colour);
        steps.push_back(next);
    };
    changed({10, 10, 5, 5}, qRgb(1, 2, 3));     // one tile
    changed({60, 60, 10, 10}, qRgb(4, 5, 6));   // across four tiles
    changed({950, 650, 50, 50}, qRgb(7, 8, 9)); // the short tiles at the far edges
    steps.push_back(steps.back().copy());       // nothing changed
    steps.push_back(steps.back().transformed(QTransform().rotate(90))); // all of it, and its size
    steps.push_back(steps.back().mirrored(true, false));                // same size, every tile
    changed({0, 0, 1, 1}, qRgb(0, 0, 0));

    // The four small steps as tiles: together far below one whole picture.
    UndoHistory small;
    for (size_t i = 0; i <= 4; ++i)
        small.push(steps[i]);
    EXPECT_LT(small.packedBytes() * 20, UndoHistory::pack(screen).bytes.size());

    UndoHistory history;
    for (const QImage& step : steps)
        history.push(step);

    for (size_t i = steps.size() - 1; i > 0; --i) {
        SCOPED_TRACE(i - 1);
        EXPECT_EQ(history.dropNewest(), steps[i - 1]);
    }
}

TEST(UndoHistory, ALeftTabPacksItsNewestAndDroppingTheOldestKeepsTheRestExact)
{
    std::vector<QImage> steps;
    for (int i = 0; i < 4; ++i)
        steps.push_back(filled(200, 150, QImage::Format_RGB32, 3 + (i == 3 ? 1 : 0)));
    steps[1].setPixel(5, 5, qRgb(9, 9, 9));
    steps[2].setPixel(150, 100, qRgb(9, 9, 9));
    UndoHistory history;
    for (const QImage& step : steps)
        history.push(step);
    history.packNewest();
    EXPECT_EQ(history.newest(), steps[3]);
    history.dropOldest();
    EXPECT_EQ(history.size(), 3);
    EXPECT_EQ(history.dropNewest(), steps[2]);
    EXPECT_EQ(history.dropNewest(), steps[1]);
    EXPECT_EQ(history.size(), 1);
    history.dropOldest(); // the picture itself always stays
    EXPECT_EQ(history.size(), 1);
}

TEST(UndoHistory, QuarterTurnsAreKeptAsTheTurnAndRedoBringsBackEveryStepExactly)
{
    // A 24-bit picture turned into a 32-bit one, then turned half, then a changed tile.
    std::vector<QImage> steps{filled(130, 70, QImage::Format_BGR888, 5)};
    steps.push_back(
        steps[0].convertToFormat(QImage::Format_RGB32).transformed(QTransform().rotate(90)));
    steps.push_back(steps[1].transformed(QTransform().rotate(180)));
    steps.push_back(steps[2].copy());
    steps[3].setPixel(3, 3, qRgb(1, 2, 3));
    UndoHistory history;
    for (const QImage& step : steps)
        history.push(step);
    EXPECT_LT(history.packedBytes(), 64 * 64 * 4); // one tile: the turns take nothing
    for (size_t i = steps.size() - 1; i > 0; --i)
        ASSERT_EQ(history.dropNewest(), steps[i - 1]) << i;
    EXPECT_EQ(history.redoSize(), 3);
    EXPECT_LT(history.packedBytes(), 64 * 64 * 4);
    for (size_t i = 1; i < steps.size(); ++i)
        ASSERT_EQ(history.redo(), steps[i]) << i;
    history.dropNewest();
    history.dropNewest();
    history.dropFarthestRedo(); // a memory bound: the next redo stays
    EXPECT_EQ(history.redo(), steps[2]);
    EXPECT_EQ(history.redoSize(), 0);
    history.dropNewest();
    history.push(steps[0]); // a new picture ends what could be redone
    EXPECT_EQ(history.redoSize(), 0);
}
