#include "capture/scroll/FixedColumns.h"
#include "capture/scroll/FrameMatcher.h"
#include "capture/scroll/ScrollMarkers.h"
#include "capture/scroll/ScrollStitcher.h"

#include <QStringList>

#include <cstring>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

// A tall document whose every row is different from every other.
QImage document(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(y & 0xff, ((y >> 8) << 4) | (x & 0xf), (x * 3 + y) & 0xff));
    return picture;
}

// What a window `height` rows high shows when scrolled down by `offset`, with
// a sticky header and a status bar drawn over the content.
QImage view(const QImage& doc, int offset, int height, int header = 0, int footer = 0)
{
    QImage frame = doc.copy(0, offset, doc.width(), height);
    for (int y = 0; y < header; ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(200, 10 + y, x & 0xff));
    for (int y = height - footer; y < height; ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(20, 30 + height - y, x & 0xff));
    return frame;
}

// The first row where two pictures differ, -1 when they are equal.
int firstDifferentRow(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -2;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.bytesPerLine())) != 0)
            return y;
    return -1;
}

FrameMatch match(const QImage& before, const QImage& after)
{
    return MatchFrames(before, FrameRows(before), after, FrameRows(after));
}

QImage stitch(int height, const std::vector<int>& steps, const std::vector<QImage>& frames,
              ScrollBands bands = {}, QStringList* lines = nullptr)
{
    return StitchScrollFrames(
        height, steps, bands, [&frames](int k) { return frames[size_t(k)]; },
        [lines](const QString& line) {
            if (lines)
                lines->append(line);
        });
}

} // namespace

TEST(ScrollMarkers, PlacesGroupsAndFindsTheLowestFromTheBottom)
{
    const ScrollMarkerState odd = ScrollMarkerGeometry(101, 101);
    EXPECT_EQ(odd.firstGroupX, 50); // 50.5 to even
    EXPECT_EQ(odd.secondGroupX, 71);
    EXPECT_EQ(odd.markerY, 50);
    EXPECT_EQ(ScrollMarkerGeometry(103, 7).firstGroupX, 52); // 51.5 to even
    EXPECT_EQ(ScrollMarkerGeometry(103, 7).markerY, 4);

    ScrollMarkerState markers = ScrollMarkerGeometry(101, 101);
    markers.colours = ScrollMarkerPaint;
    QImage grab(101, 101, QImage::Format_RGB32);
    grab.fill(Qt::white);
    EXPECT_EQ(FindScrollMarker(grab, markers), 0);
    const auto paint = [&grab](int x, int y) {
        for (int i = 0; i < 3; ++i)
            grab.setPixel(x + i, y, ScrollMarkerPaint[size_t(i)]);
    };
    paint(markers.secondGroupX, 30); // the second group alone is enough
    EXPECT_EQ(FindScrollMarker(grab, markers), 101 - 30);
    paint(markers.firstGroupX, 60); // the lower group wins
    EXPECT_EQ(FindScrollMarker(grab, markers), 101 - 60);
    // A group cut by the right edge never matches.
    ScrollMarkerState outside = markers;
    outside.firstGroupX = 99;
    outside.secondGroupX = 99;
    EXPECT_EQ(FindScrollMarker(grab, outside), 0);
}

TEST(ScrollStitcher, StepsOfFortyFiveAndTwentyRebuildTheDocument)
{
    const int h = 100;
    const QImage doc = document(40, 400);
    const std::vector<int> steps{45, 45, 45, 20, 0};
    std::vector<QImage> frames;
    for (int top : {0, 45, 90, 135, 155, 155})
        frames.push_back(view(doc, top, h));
    // Frame 1 carries its step's markers, moved up from row 50 by 45: frame 0 covers them.
    frames[1].setPixel(20, 5, qRgb(255, 0, 0));
    QStringList lines;
    const QImage picture = stitch(h, steps, frames, {}, &lines);
    ASSERT_EQ(picture.height(), h + 155);
    EXPECT_EQ(firstDifferentRow(picture, doc.copy(0, 0, 40, h + 155)), -1);
    EXPECT_TRUE(lines.contains(QStringLiteral("貼り付け範囲  :[3]135-235=100")));
    EXPECT_TRUE(lines.contains(QStringLiteral("貼り付け範囲  :[0]0-100=100")));
    EXPECT_TRUE(lines.contains(QStringLiteral("全体高さ  :255")));

    // A target that did not move gives frame 0, the markers of frame 1 hidden.
    QImage marked = frames[0];
    marked.setPixel(20, 50, qRgb(255, 0, 0));
    EXPECT_EQ(firstDifferentRow(stitch(h, {0}, {frames[0], marked}), frames[0]), -1);
}

TEST(ScrollStitcher, BandsAppearOnceAndLargeStepsLeaveNoGap)
{
    const int h = 120;
    const QImage doc = document(32, 600);
    // Steps larger than half the moving rows, as matching may measure.
    const std::vector<int> steps{80, 85, 0};
    std::vector<QImage> frames;
    for (int top : {0, 80, 165, 165})
        frames.push_back(view(doc, top, h, 10, 6));
    const QImage picture = stitch(h, steps, frames, {10, 6});
    ASSERT_EQ(picture.height(), h + 165);
    EXPECT_EQ(firstDifferentRow(picture, view(doc, 0, h + 165, 10, 6)), -1);
}

TEST(FrameMatcher, FindsKnownOffsetsPastAStickyHeaderAndAScrollBar)
{
    const QImage doc = document(256, 2000);
    const QImage before = view(doc, 300, 400, 24, 16);
    for (int offset : {1, 37, 60, 250}) {
        QImage after = view(doc, 300 + offset, 400, 24, 16);
        // A scroll bar thumb that moved: one narrow band differs in many rows.
        for (int y = 100; y < 200; ++y)
            for (int x = 245; x < 256; ++x)
                after.setPixel(x, y, qRgb(90, 90, 90));
        const FrameMatch found = match(before, after);
        EXPECT_EQ(found.kind, FrameMatch::Kind::Moved) << offset;
        EXPECT_EQ(found.offset, offset);
        EXPECT_GE(found.topBand, 24);
        EXPECT_GE(found.bottomBand, 16);
    }
    EXPECT_EQ(match(before, before).kind, FrameMatch::Kind::Still);
}

TEST(FrameMatcher, NoUniqueAnswerIsNeverAMove)
{
    // Stripes that repeat every 32 rows: any multiple of 32 fits as well as another.
    QImage stripes(128, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 128; ++x)
            stripes.setPixel(x, y, qRgb((y % 32) * 8, x, 40));
    const QImage before = stripes.copy(0, 0, 128, 200);
    EXPECT_NE(match(before, stripes.copy(0, 40, 128, 200)).kind, FrameMatch::Kind::Moved);
    EXPECT_NE(match(before, stripes.copy(0, 64, 128, 200)).kind, FrameMatch::Kind::Moved);

    // A jump past the whole frame shares nothing with it.
    const QImage doc = document(128, 1000);
    EXPECT_EQ(match(view(doc, 0, 200), view(doc, 500, 200)).kind, FrameMatch::Kind::Unsure);
    // Blank content gives nothing to measure by.
    QImage blank(128, 200, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QImage shifted = blank;
    for (int x = 0; x < 128; ++x)
        shifted.setPixel(x, 150, qRgb(0, 0, 0));
    EXPECT_NE(match(blank, shifted).kind, FrameMatch::Kind::Moved);
}

TEST(FrameMatcher, APointerDrawnIntoEveryGrabAtTheOneStripColumnKeepsTheMatch)
{
    // A short window with a pointer painted in by the compositor where the wheel turned:
    // at the middle of the frame it would straddle two strips and spoil a tenth of the rows.
    for (int width : {200, 523, 1280}) {
        const QImage doc = document(width, 1000);
        const int column = FrameRows::oneStripColumn(width);
        const auto withPointer = [column](QImage frame) {
            for (int y = 120; y < 160; ++y)
                for (int x = column - 4; x < column + 12; ++x)
                    frame.setPixel(x, y, qRgb(255, 255, 255));
            return frame;
        };
        const FrameMatch found =
            match(withPointer(view(doc, 100, 300)), withPointer(view(doc, 142, 300)));
        EXPECT_EQ(found.kind, FrameMatch::Kind::Moved) << width;
        EXPECT_EQ(found.offset, 42) << width;
    }
}

TEST(FrameRows, ACaretAloneLeavesALookAlikeButAGlowOverTheRowsDoesNot)
{
    const QImage doc = document(256, 1000);
    const QImage look = view(doc, 300, 200);
    QImage caret = look;
    for (int y = 40; y < 56; ++y)
        caret.setPixel(3, y, qRgb(0, 0, 0));
    EXPECT_TRUE(FrameRows(caret).alikeThroughout(FrameRows(look)));
    // An overshoot glow fading over the bottom rows changes them right across.
    QImage glow = look;
    for (int y = 180; y < 200; ++y)
        for (int x = 0; x < glow.width(); ++x)
            glow.setPixel(x, y, qRgb(255, 60 + y - 180, 80));
    EXPECT_FALSE(FrameRows(glow).alikeThroughout(FrameRows(look)));
    EXPECT_FALSE(FrameRows(look).alikeThroughout(FrameRows(view(doc, 301, 200))));
}

namespace {

// A scroll bar along the right edge: a border column, a track and a thumb
// `thumbTop` rows down; it moves by its own small amount, not with the content.
constexpr int BarWidth = 14;
void drawScrollBar(QImage& frame, int thumbTop)
{
    const int left = frame.width() - BarWidth;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = left; x < frame.width(); ++x) {
            const bool thumb =
                x > left + 2 && x < frame.width() - 2 && y >= thumbTop && y < thumbTop + 40;
            frame.setPixel(x, y,
                           x == left ? qRgb(60, 60, 60)
                           : thumb   ? qRgb(120, 120, 200)
                                     : qRgb(230, 230, 230));
        }
}

} // namespace

TEST(FixedColumns, ABlankMarginBelowLinesOfOnePrefixIsNoSource)
{
    // Terminal lines that all begin alike, some with nothing after the prefix, over a blank
    // margin that stays: the prefix meets the margin only where the margin was never content.
    const int width = 256;
    const int height = 120;
    const int margin = 10;
    QImage doc(width, 400, QImage::Format_RGB32);
    doc.fill(Qt::black);
    for (int line = 0; line < 400 / 10; ++line)
        for (int y = line * 10 + 2; y < line * 10 + 8; ++y) {
            for (int x = 0; x < 30; ++x) // the prefix
                doc.setPixel(x, y, qRgb(200, 200, 200));
            for (int x = 70; x < (line % 11 == 0 ? 70 : 110 + line * 3); ++x) // may be empty
                doc.setPixel(x, y, qRgb(line * 6, x & 0xff, 90));
        }
    const auto frame = [&](int top) {
        QImage picture = doc.copy(0, top, width, height);
        for (int y = height - margin; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.setPixel(x, y, qRgb(0, 0, 0));
        return picture;
    };
    EXPECT_EQ(FindFixedColumns(frame(0), frame(30), 30, 0, margin).left, 0);
}

TEST(FixedColumns, AScrollBarIsFixedAndMovingContentIsNot)
{
    const QImage doc = document(200, 2000);
    QImage before = view(doc, 300, 300, 20);
    QImage after = view(doc, 340, 300, 20);
    EXPECT_EQ(FindFixedColumns(before, after, 40).right, 0);
    drawScrollBar(before, 30);
    drawScrollBar(after, 33);
    const FixedColumns fixed = FindFixedColumns(before, after, 40);
    EXPECT_EQ(fixed.left, 0);
    EXPECT_GE(fixed.right, BarWidth - 3);
    EXPECT_LE(fixed.right, BarWidth);
    // The same bar mirrored to the left edge.
    const QImage mirroredBefore = before.mirrored(true, false);
    const QImage mirroredAfter = after.mirrored(true, false);
    EXPECT_EQ(FindFixedColumns(mirroredBefore, mirroredAfter, 40).left, fixed.right);
    // A caret by the text at the left edge, seen in one grab only, is content.
    for (int y = 100; y < 113; ++y)
        for (int x = 0; x < 6; ++x)
            after.setPixel(x, y, qRgb(0, 0, 0));
    EXPECT_EQ(FindFixedColumns(before, after, 40).left, 0);
    // A wrong offset tells nothing about the edges.
    EXPECT_EQ(FindFixedColumns(before, before, 40).right, 0);
}

TEST(ScrollStitcher, FixedColumnsComeFromFrameZeroAndTheTrackBelowIt)
{
    const int h = 100;
    const QImage doc = document(120, 600);
    const std::vector<int> steps{45, 45, 30, 0};
    std::vector<QImage> frames;
    int thumb = 0;
    for (int top : {0, 45, 90, 120, 120}) {
        frames.push_back(view(doc, top, h));
        drawScrollBar(frames.back(), thumb);
        thumb += 12;
    }
    const QImage picture = stitch(h, steps, frames, {0, 0, 0, BarWidth});
    ASSERT_EQ(picture.height(), h + 120);
    const int content = 120 - BarWidth;
    EXPECT_EQ(picture.copy(0, 0, content, h + 120), doc.copy(0, 0, content, h + 120));
    EXPECT_EQ(picture.copy(content, 0, BarWidth, h), frames[0].copy(content, 0, BarWidth, h));
    // Below frame 0 the bar is its track, with no piece of a later thumb.
    QImage track(BarWidth, 20, QImage::Format_RGB32);
    drawScrollBar(track, 1000);
    for (int y = h; y < h + 120; ++y)
        EXPECT_EQ(picture.copy(content, y, BarWidth, 1), track.copy(0, 0, BarWidth, 1)) << y;
}
