#include "capture/CaptureScene.h"
#include "harness/Pattern.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace vistrel::test;

namespace {

// Right of the program's window; small enough to be seen whole in its view.
const QRect PatternClient(900, 200, 300, 160);

QString number(int value)
{
    return QString::number(value);
}

// The pattern and the program, with the pattern's client area captured as the picture.
class EditScene : public CaptureScene {
public:
    explicit EditScene(const QByteArray& mainLines = "CLIENT=1")
    {
        const WindowId pattern = startPattern(PatternClient, QStringLiteral("edit pattern"));
        startVistrel(mainLines);
        activate(pattern);
        chooseCaptureItem(QStringLiteral("a"));
        if (!waitForStatusCount(Completed, 1) || !waitForMainWindowBack())
            throw std::runtime_error("the pattern was not captured\n" + log());
        activate(mainWindow());
    }

    // Where picture pixel (0, 0) is on the screen: found by the pattern itself.
    std::optional<QPoint> pictureOnScreen()
    {
        const auto frame = session().geometry(mainWindow());
        if (!frame)
            return std::nullopt;
        const QImage shot = session().grab(frame->client).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y + 8 < shot.height(); ++y)
            for (int x = 0; x + 8 < shot.width(); ++x)
                if (!firstPatternMismatch(shot.copy(x, y, 8, 8), {}, {8, 8}))
                    return frame->client.topLeft() + QPoint(x, y);
        return std::nullopt;
    }

    void xdotool(const QStringList& args)
    {
        if (session().xdotool(args).exitCode != 0)
            throw std::runtime_error("xdotool " + args.join(u' ').toStdString() + " failed");
    }
    // Presses the left button at `from`, moves to `to` in steps, and lets go there.
    void drag(QPoint from, QPoint to)
    {
        movePointer(from);
        xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
        for (int step = 1; step <= 4; ++step)
            movePointer(from + (to - from) * step / 4);
        xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    }
    bool waitForStatus(const QString& text) { return waitForStatusCount(text, 1); }
    std::string log() { return vistrel().testLog().join(u'\n').toStdString(); }
};

QString span(int left, int top, int right, int bottom)
{
    return QStringLiteral("[開始座標 : %1 × %2] [終了位置 : %3 × %4] [幅と高さ : %5 × %6] ")
        .arg(left)
        .arg(top)
        .arg(right)
        .arg(bottom)
        .arg(right - left)
        .arg(bottom - top);
}

// The first pixel of `picture` that is not the pattern's part starting at `origin`.
std::optional<QPoint> firstMismatchOfPart(const QImage& picture, QPoint origin)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xffffff) != patternColour(origin.x() + x, origin.y() + y))
                return QPoint(x, y);
    return std::nullopt;
}

} // namespace

// Dragged on the view, nudged in the wizard, saved: exactly that part of the pattern,
// while the view keeps the whole picture.
TEST(EditModes, TrimmingByMouseAndWizardActsOnExactlyThatRectangle)
{
    QTemporaryDir saved;
    EditScene scene("CLIENT=1\n[AUTOSAVE]\nDIR=" + QFile::encodeName(saved.path()) +
                    "\nSAVETYPE=10");
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";

    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("n")); // 切り抜き(&N)
    scene.drag(*origin + QPoint(30, 20), *origin + QPoint(150, 110));
    ASSERT_TRUE(scene.waitForStatus(span(30, 20, 150, 110) +
                                    QStringLiteral("終了位置でドロップてください...")))
        << scene.log();
    const auto wizard =
        scene.session().waitForWindow(QStringLiteral("切り抜き - ウイザード (1/2)"));
    ASSERT_TRUE(wizard) << scene.log();

    // The start column's spinner has the focus: one step of 5 to the right.
    scene.xdotool({QStringLiteral("key"), QStringLiteral("--window"), number(int(*wizard)),
                   QStringLiteral("Up")});
    scene.key(QStringLiteral("alt+n"));
    ASSERT_TRUE(scene.session().waitForWindow(QStringLiteral("切り抜き - ウイザード (2/2)")));
    scene.key(QStringLiteral("alt+r")); // 連続して保存する(&R)
    scene.key(QStringLiteral("alt+s")); // 完了(&S)

    ASSERT_TRUE(scene.waitForStatus(
        QStringLiteral("連続保存によりファイルへ出力しました。[ファイル名 = Vist001.png]")))
        << scene.log();
    const QImage part(saved.filePath(QStringLiteral("Vist001.png")));
    ASSERT_EQ(part.size(), QSize(115, 90));
    const auto mismatch = firstMismatchOfPart(part, {35, 20});
    EXPECT_FALSE(mismatch) << "differs at " << mismatch->x() << "," << mismatch->y();

    const auto after = scene.pictureOnScreen();
    ASSERT_TRUE(after) << "the view no longer shows the picture";
    EXPECT_EQ(*after, *origin);
    const QImage shown = scene.session()
                             .grab(QRect(*after, PatternClient.size()))
                             .convertToFormat(QImage::Format_RGB32);
    EXPECT_FALSE(firstPatternMismatch(shown, {}, PatternClient.size()))
        << "the view does not show the whole picture (or the rubber band stayed)";
}

// An area drawn with the mouse, moved by its frame, then resized by its corner handle.
TEST(EditModes, AreaSelectionIsDrawnMovedAndResized)
{
    EditScene scene;
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";
    const QString advice =
        QStringLiteral("選択した領域に対してモザイク処理／色の変更を行ってください");

    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("a")); // エリア選択(&A)
    scene.drag(*origin + QPoint(40, 30), *origin + QPoint(140, 100));
    ASSERT_TRUE(scene.waitForStatus(span(40, 30, 140, 100) + advice)) << scene.log();

    scene.drag(*origin + QPoint(90, 65), *origin + QPoint(110, 75));
    ASSERT_TRUE(scene.waitForStatus(span(60, 40, 160, 110) + advice)) << scene.log();

    // The bottom-right handle sits just outside the inner corner.
    scene.drag(*origin + QPoint(162, 112), *origin + QPoint(192, 132));
    EXPECT_TRUE(scene.waitForStatus(span(60, 40, 190, 130) + advice)) << scene.log();
}
