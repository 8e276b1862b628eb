// Scroll captures of real programs on Xvfb + openbox: our own Qt window that
// repaints on every scroll, an xterm that moves its pixels, and a static window.
#include "capture/CaptureScene.h"
#include "harness/ScrollPattern.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <csignal>

#include <cstring>

#include <gtest/gtest.h>

using namespace vistrel::test;

namespace {

// A long scroll under load: far longer than a passing test needs.
constexpr std::chrono::milliseconds ScrollTimeout = std::chrono::minutes(3);

std::string logOf(CaptureScene& scene)
{
    return "log:\n" + scene.vistrel().testLog().join(u'\n').toStdString() + "\noutput:\n" +
           scene.vistrel().output().toStdString();
}

// Picks `target` with the mouse for a window-or-control capture.
bool pick(CaptureScene& scene, const WindowGeometry& target)
{
    scene.movePointer(target.client.center());
    scene.chooseCaptureItem(QStringLiteral("w"));
    // An xterm's text area is a window of its own and is highlighted by itself.
    if (!waitFor([&] {
            return scene.highlightAround(target.frame) || scene.highlightAround(target.client);
        }))
        return false;
    scene.click();
    return true;
}

bool waitForCompleted(CaptureScene& scene)
{
    return waitFor([&] { return scene.statusCount(CaptureScene::Completed) >= 1; }, ScrollTimeout);
}

bool captureByPicking(CaptureScene& scene, const WindowGeometry& target)
{
    return pick(scene, target) && waitForCompleted(scene);
}

std::optional<int> firstDifferentRow(const QImage& a, const QImage& b, int rows, int columns)
{
    for (int y = 0; y < rows; ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(columns) * 4) != 0)
            return y;
    return std::nullopt;
}

// The last row with dark text left of the buttons and right of the caret.
int lastTextRow(const QImage& picture)
{
    for (int y = picture.height() - 1; y >= 0; --y)
        for (int x = 40; x < std::min(200, picture.width()); ++x)
            if (qGray(picture.pixel(x, y)) < 0x60)
                return y;
    return -1;
}

// Whether the program has painted every row: a window just made taller shows
// black below what was painted before, which lastTextRow() would take for text.
bool paintedThroughout(const QImage& picture)
{
    const int end = std::min(200, picture.width());
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        if (std::all_of(row + std::min(40, end), row + end,
                        [](QRgb pixel) { return (pixel & 0xffffff) == 0; }))
            return false;
    }
    return true;
}

// How the steps of the capture were measured, from the trace lines in the test log.
int stepsMeasuredBy(CaptureScene& scene, const QString& method)
{
    int count = 0;
    for (const QString& line : scene.vistrel().testLog())
        count += line.startsWith(QStringLiteral("trace: 計測方法:") + method);
    return count;
}

QStringList scrollFiles(const CaptureScene& scene)
{
    const QString folder = scene.tempFolder();
    return folder.isEmpty() ? QStringList()
                            : QDir(folder).entryList({QStringLiteral("Scr*")}, QDir::Files);
}

WindowGeometry waitForGeometry(CaptureScene& scene, const QString& title)
{
    const auto window = scene.session().waitForWindow(title);
    if (!window)
        throw std::runtime_error("no window " + title.toStdString());
    return scene.geometryOf(*window);
}

constexpr int DocumentWidth = 600;
constexpr int ViewportHeight = 400;
constexpr int DocumentHeight = 5000;

// Our Qt scroll window over the known document, painted.
WindowGeometry startScrollWindow(CaptureScene& scene)
{
    const QString title = QStringLiteral("scroll document");
    scene.session().start({QStringLiteral(SCROLL_WINDOW_BINARY), QStringLiteral("300"),
                           QStringLiteral("120"), QString::number(DocumentWidth),
                           QString::number(ViewportHeight), QString::number(DocumentHeight),
                           title});
    const WindowGeometry target = waitForGeometry(scene, title);
    const QPoint corner(DocumentWidth - 1, ViewportHeight - 1);
    const bool shown = waitFor([&] {
        const QImage picture = scene.session().grab(target.client);
        return (picture.pixel(corner) & 0xffffff) == scrollPatternColour(corner.x(), corner.y());
    });
    if (target.client.height() != ViewportHeight || !shown)
        throw std::runtime_error("the scroll window did not show its document");
    return target;
}

// The first row of `picture` that is not the document, inside its columns.
std::optional<int> firstRowNotTheDocument(const QImage& picture)
{
    QImage document(DocumentWidth, picture.height(), QImage::Format_RGB32);
    for (int y = 0; y < document.height(); ++y)
        for (int x = 0; x < DocumentWidth; ++x)
            document.setPixel(x, y, 0xff000000 | scrollPatternColour(x, y));
    return firstDifferentRow(picture, document, picture.height(), DocumentWidth);
}

} // namespace

TEST(ScrollCapture, QtScrollAreaThatRepaintsIsStitchedIntoTheWholeDocument)
{
    CaptureScene scene;
    const WindowGeometry target = startScrollWindow(scene);
    scene.startVistrel("CLIENT=1", "SCROLLWAITTIME=40");
    ASSERT_TRUE(captureByPicking(scene, target)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    ASSERT_EQ(picture.height(), DocumentHeight) << logOf(scene);
    ASSERT_GE(picture.width(), DocumentWidth);
    const auto different = firstRowNotTheDocument(picture);
    EXPECT_FALSE(different) << "first different row " << *different;
    EXPECT_TRUE(scrollFiles(scene).isEmpty());
    // Qt repaints: the markers fail at once and the pictures measure every step.
    EXPECT_EQ(stepsMeasuredBy(scene, QStringLiteral("マーカー")), 0);
    EXPECT_GT(stepsMeasuredBy(scene, QStringLiteral("画像照合 固定帯")), 50);
    // The scroll bar comes from the first frame alone: below it only its track,
    // with no piece of a thumb.
    const QImage bar =
        picture.copy(DocumentWidth, 0, picture.width() - DocumentWidth, picture.height());
    ASSERT_GT(bar.width(), 4);
    for (int y = ViewportHeight + 1; y < bar.height(); ++y)
        ASSERT_EQ(std::memcmp(bar.constScanLine(y), bar.constScanLine(ViewportHeight),
                              size_t(bar.width()) * 4),
                  0)
            << "row " << y;
}

TEST(ScrollCapture, ACoveredWindowIsBroughtToTheFrontBeforeItIsScrolled)
{
    CaptureScene scene;
    const WindowGeometry target = startScrollWindow(scene);
    // Over the lower right of the document, away from where the pick points.
    scene.startPattern(QRect(700, 420, 300, 160), QStringLiteral("covering pattern"));
    scene.startVistrel("CLIENT=1", "SCROLLWAITTIME=40");
    ASSERT_TRUE(captureByPicking(scene, target)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    ASSERT_EQ(picture.height(), DocumentHeight) << logOf(scene);
    const auto different = firstRowNotTheDocument(picture);
    EXPECT_FALSE(different) << "first different row " << *different;
}

TEST(ScrollCapture, TheDesktopIsCapturedPlainlyWithoutSwitchingWorkspace)
{
    CaptureScene scene;
    const QRect client(700, 300, 320, 240);
    const WindowId pattern = scene.startPattern(client, QStringLiteral("static pattern"));
    scene.startVistrel("CLIENT=1", "SCROLLWAITTIME=40");
    const auto currentDesktop = [&] {
        return scene.session().xdotool({QStringLiteral("get_desktop")}).output.trimmed();
    };
    const QByteArray before = currentDesktop();
    ASSERT_FALSE(before.isEmpty());
    // The picking has begun once the window under the pointer is framed; then the desktop.
    scene.movePointer(client.center());
    scene.chooseCaptureItem(QStringLiteral("w"));
    ASSERT_TRUE(scene.waitForHighlightAround(scene.geometryOf(pattern).frame));
    scene.movePointer({1600, 900});
    scene.click();
    ASSERT_TRUE(waitForCompleted(scene)) << logOf(scene);
    EXPECT_EQ(scene.tabPicture(1).size(), QSize(XSession::ScreenWidth, XSession::ScreenHeight));
    EXPECT_EQ(currentDesktop(), before);
    EXPECT_TRUE(scrollFiles(scene).isEmpty());
}

// Picks the slow scroll window and waits until it has scrolled a few notches, well before
// its end.
bool startALongScroll(CaptureScene& scene)
{
    const WindowGeometry target = startScrollWindow(scene);
    scene.startVistrel("CLIENT=1", "SCROLLWAITTIME=300");
    return pick(scene, target) && waitFor([&] {
               const QRgb corner = scene.session().grab(target.client).pixel(0, 0);
               const int topRow = (((qGreen(corner) >> 3) & 0x1f) << 8) | qRed(corner);
               return topRow >= 180;
           });
}

TEST(ScrollCapture, ATerminationSignalEndsALongScrollAtOnceAndKeepsNothing)
{
    CaptureScene scene;
    ASSERT_TRUE(startALongScroll(scene));
    scene.vistrel().signal(SIGTERM);
    // The whole document would take well over half a minute at this pace.
    ASSERT_TRUE(scene.vistrel().waitForExit(std::chrono::seconds(5))) << logOf(scene);
    EXPECT_EQ(scene.vistrel().exitCode(), 0);
    EXPECT_TRUE(scene.tabFiles().isEmpty());
    EXPECT_TRUE(scrollFiles(scene).isEmpty());
}

TEST(ScrollCapture, EscapeEndsALongScrollAndKeepsWhatWasStitched)
{
    CaptureScene scene;
    ASSERT_TRUE(startALongScroll(scene));
    scene.key(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForCompleted(scene)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    EXPECT_GT(picture.height(), ViewportHeight);
    EXPECT_LT(picture.height(), DocumentHeight / 2);
    const auto different = firstRowNotTheDocument(picture);
    EXPECT_FALSE(different) << "first different row " << *different;
    EXPECT_TRUE(scrollFiles(scene).isEmpty());
}

TEST(ScrollCapture, XtermScrollbackEqualsATallXtermShowingItAll)
{
    // Tall enough for 402 rows of xterm's built-in 13-pixel font and a title bar.
    CaptureScene scene(QSize(1280, 5400));
    const auto xterm = [&](const QString& title, const QString& geometry) {
        scene.session().start({QStringLiteral("xterm"), QStringLiteral("-title"), title,
                               QStringLiteral("-geometry"), geometry, QStringLiteral("-e"),
                               QStringLiteral("sh"), QStringLiteral("-c"),
                               QStringLiteral("seq 1 400; exec cat")});
        return waitForGeometry(scene, title);
    };
    const WindowGeometry tall = xterm(QStringLiteral("all lines"), QStringLiteral("60x402+700+0"));
    const WindowGeometry small = xterm(QStringLiteral("scrolled"), QStringLiteral("60x20+40+500"));
    ASSERT_EQ(small.client.width(), tall.client.width());
    constexpr int LineHeight = 13;
    constexpr int Border = 2;
    const int textRows = Border + 400 * LineHeight;
    ASSERT_GE(tall.client.height(), textRows);

    // Back to the first line with the wheel, as a user would (not at the centre,
    // where the picking starts: a move to where the pointer is never ends).
    scene.movePointer(small.client.center() + QPoint(20, 20));
    const QImage allLines = scene.session().grab(tall.client);
    const auto atTop = [&] {
        const QImage shown = scene.session().grab(small.client);
        return !firstDifferentRow(shown, allLines, 10 * LineHeight, shown.width());
    };
    ASSERT_TRUE(waitFor([&] {
        scene.session().xdotool({QStringLiteral("click"), QStringLiteral("--repeat"),
                                 QStringLiteral("100"), QStringLiteral("--delay"),
                                 QStringLiteral("2"), QStringLiteral("4")});
        return atTop();
    })) << "the xterm never showed its first lines";

    scene.startVistrel("CLIENT=1", "SCROLLWAITTIME=40");
    ASSERT_TRUE(captureByPicking(scene, small)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    ASSERT_EQ(picture.width(), tall.client.width());
    ASSERT_GE(picture.height(), textRows) << logOf(scene);
    const QImage reference = scene.session().grab(tall.client);
    const auto different = firstDifferentRow(picture, reference, textRows, picture.width());
    EXPECT_FALSE(different) << "first different row " << *different;
    // xterm moves its pixels: the markers travel and measure every step.
    EXPECT_GT(stepsMeasuredBy(scene, QStringLiteral("マーカー")), 50);
    EXPECT_EQ(stepsMeasuredBy(scene, QStringLiteral("画像照合 固定帯")), 0);
}

TEST(ScrollCapture, GtkTextViewsWithAndWithoutABlinkingCaretEqualATallOneShowingItAll)
{
    CaptureScene scene(QSize(1280, 4900));
    QFile text(scene.session().tempDir() + QStringLiteral("/lines.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    for (int line = 1; line <= 200; ++line)
        text.write(
            QStringLiteral("line %1 of the document\n").arg(line, 4, 10, QChar(u'0')).toUtf8());
    text.close();
    const auto zenity = [&](const QString& title, int height, bool editable = false) {
        QStringList command{QStringLiteral("zenity"),     QStringLiteral("--text-info"),
                            QStringLiteral("--title"),    title,
                            QStringLiteral("--filename"), text.fileName(),
                            QStringLiteral("--width"),    QStringLiteral("420"),
                            QStringLiteral("--height"),   QString::number(height)};
        if (editable)
            command << QStringLiteral("--editable");
        scene.session().start(command);
        return waitForGeometry(scene, title);
    };
    // The reference is taken before the second window may be placed over it.
    const WindowGeometry tall = zenity(QStringLiteral("all text"), 4700);
    QImage reference;
    ASSERT_TRUE(waitFor([&] {
        const QImage shown = scene.session().grab(tall.client);
        const bool settled =
            shown == reference && paintedThroughout(shown) && lastTextRow(shown) > 0;
        reference = shown;
        return settled;
    }));
    // The last line of text lies where it lies in the tall view, and every row
    // above it is the same: no band is missing or twice. The scroll bar is left
    // out, and so are the columns left of the text, where a caret blinks.
    const auto expectTheWholeText = [&](int tab, int left) {
        const QImage picture = scene.tabPicture(tab);
        ASSERT_EQ(picture.width(), tall.client.width());
        const int lastRow = lastTextRow(picture);
        EXPECT_EQ(lastRow, lastTextRow(reference));
        const int columns = picture.width() - left - 24;
        const auto different =
            firstDifferentRow(picture.copy(left, 0, columns, lastRow + 1),
                              reference.copy(left, 0, columns, lastRow + 1), lastRow + 1, columns);
        EXPECT_FALSE(different) << "tab " << tab << ": first different row " << *different;
    };
    const WindowGeometry small = zenity(QStringLiteral("scrolled text"), 400);
    ASSERT_EQ(small.client.width(), tall.client.width());

    scene.startVistrel("CLIENT=1", "SCROLLWAITTIME=40");
    ASSERT_TRUE(captureByPicking(scene, small)) << logOf(scene);
    expectTheWholeText(1, 0);
    EXPECT_GT(stepsMeasuredBy(scene, QStringLiteral("画像照合 固定帯")), 0);

    // Editable, focused, its caret blinking on the first line: the caret never
    // keeps a step from being measured, and the scroll ends as complete.
    const WindowGeometry editable = zenity(QStringLiteral("editable text"), 400, true);
    // Beside the centre, where the picking moves to: a move to where the pointer is never ends.
    scene.movePointer(editable.client.center() + QPoint(20, 20));
    scene.click();
    scene.key(QStringLiteral("ctrl+Home"));
    ASSERT_TRUE(pick(scene, editable));
    ASSERT_TRUE(
        waitFor([&] { return scene.statusCount(CaptureScene::Completed) >= 2; }, ScrollTimeout))
        << logOf(scene);
    expectTheWholeText(2, 16);
}

TEST(ScrollCapture, Gtk4TextViewOfFourHundredLinesEqualsATallOneShowingItAll)
{
    // GTK 4 paints on its own frame clock: a step looked at too early shows
    // nothing moved yet, or a half-painted picture; at the end it draws a fading
    // overshoot glow over the bottom rows.
    CaptureScene scene(QSize(1280, 7400));
    const auto editor = [&](const QString& name, int height) {
        QFile text(scene.session().tempDir() + u'/' + name);
        if (!text.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write " + name.toStdString());
        for (int line = 1; line <= 401; ++line)
            text.write(
                QStringLiteral("line %1 of the document\n").arg(line, 4, 10, QChar(u'0')).toUtf8());
        text.close();
        scene.session().start({QStringLiteral("gtk4-print-editor"), text.fileName()});
        const QString title = QStringLiteral("GTK Print Editor — ") + name;
        const auto window = scene.session().waitForWindow(title);
        if (!window)
            throw std::runtime_error("no window " + title.toStdString());
        scene.session().xdotool({QStringLiteral("windowsize"), QString::number(*window),
                                 QStringLiteral("420"), QString::number(height)});
        WindowGeometry geometry;
        waitFor([&] {
            geometry = scene.geometryOf(*window);
            return geometry.client.height() == height;
        });
        return geometry;
    };
    constexpr int StatusBar = 40;
    const WindowGeometry tall = editor(QStringLiteral("all.txt"), 7200);
    ASSERT_EQ(tall.client.height(), 7200);
    QImage reference;
    // Painted at its new size once the status bar's text shows at the bottom.
    ASSERT_TRUE(waitFor([&] {
        const QImage shown = scene.session().grab(tall.client);
        const bool settled = shown == reference && paintedThroughout(shown) &&
                             lastTextRow(shown) >= shown.height() - StatusBar;
        reference = shown;
        return settled;
    }));
    const WindowGeometry small = editor(QStringLiteral("some.txt"), 400);
    ASSERT_EQ(small.client.width(), tall.client.width());

    scene.startVistrel("CLIENT=1", "SCROLLWAITTIME=40");
    ASSERT_TRUE(captureByPicking(scene, small)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    ASSERT_EQ(picture.width(), tall.client.width());
    // Above the status bar the text lies where it lies in the tall view, every
    // row the same, and it ends where the tall view's ends; the status bar follows.
    const int textEnd = picture.height() - StatusBar;
    ASSERT_GT(textEnd, 0);
    const int lastRow = lastTextRow(picture.copy(0, 0, picture.width(), textEnd));
    EXPECT_EQ(lastRow, lastTextRow(reference.copy(0, 0, reference.width(), textEnd)))
        << logOf(scene);
    // Left of the caret and right of the scroll bar's place.
    constexpr int Left = 12;
    const int columns = picture.width() - Left - 24;
    const auto different =
        firstDifferentRow(picture.copy(Left, 0, columns, textEnd),
                          reference.copy(Left, 0, columns, textEnd), textEnd, columns);
    EXPECT_FALSE(different) << "first different row " << *different;
    const QImage bottom = picture.copy(Left, textEnd, columns, StatusBar);
    const QImage referenceBottom =
        reference.copy(Left, reference.height() - StatusBar, columns, StatusBar);
    EXPECT_FALSE(firstDifferentRow(bottom, referenceBottom, StatusBar, columns));
}

TEST(ScrollCapture, StaticWindowEqualsAPlainCaptureAndLeavesNoFrames)
{
    CaptureScene scene;
    const QRect client(700, 300, 320, 240);
    const WindowId pattern = scene.startPattern(client, QStringLiteral("static pattern"));
    scene.startVistrel("CLIENT=1");
    ASSERT_TRUE(captureByPicking(scene, scene.geometryOf(pattern))) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    ASSERT_EQ(picture.size(), client.size());
    EXPECT_FALSE(firstPatternMismatch(picture, {}, client.size()));
    EXPECT_TRUE(scrollFiles(scene).isEmpty()) << scrollFiles(scene).join(u' ').toStdString();
    // The markers were wiped off the screen again.
    EXPECT_TRUE(waitFor(
        [&] { return !firstPatternMismatch(scene.session().grab(client), {}, client.size()); }));
}
