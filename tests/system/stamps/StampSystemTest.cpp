#include "capture/CaptureScene.h"
#include "edit/stamps/StampKernels.h"
#include "harness/Pattern.h"
#include "harness/Wait.h"
#include "stamps/ThemeCursor.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::test;

namespace {

const QRect PatternClient(900, 200, 300, 160);

// The pattern's client area captured as the picture, saved on demand as numbered PNG files.
class StampScene : public CaptureScene {
public:
    explicit StampScene(const QString& folder)
    {
        startWithPatternPicture(PatternClient, QStringLiteral("stamp pattern"),
                                "CLIENT=1\n[AUTOSAVE]\nDIR=" + QFile::encodeName(folder) +
                                    "\nSAVETYPE=10");
    }

    bool continuousSave(int number)
    {
        key(QStringLiteral("alt+f"));
        key(QStringLiteral("a")); // 連続して保存する(&A)
        return waitForStatusCount(
            QStringLiteral("連続保存によりファイルへ出力しました。[ファイル名 = Vist%1.png]")
                .arg(number, 3, 10, QLatin1Char('0')),
            1);
    }
    void xdotool(const QStringList& args)
    {
        if (session().xdotool(args).exitCode != 0)
            throw std::runtime_error("xdotool " + args.join(u' ').toStdString() + " failed");
    }
    // Opens an item of the Edit menu's icon submenu and waits for its window.
    std::optional<WindowId> iconCommand(const QString& mnemonic, const QString& title)
    {
        key(QStringLiteral("alt+e"));
        key(QStringLiteral("i")); // アイコンファイルの埋め込み(&I)
        key(mnemonic);
        return session().waitForWindow(title);
    }
    bool waitUntilClosed(const QString& title)
    {
        return waitFor([&] { return session().findWindows(title).isEmpty(); });
    }
    // Moves onto the picture point and waits until the stamping mode has seen it.
    bool pointAt(QPoint pictureOrigin, QPoint at)
    {
        movePointer(pictureOrigin + at - QPoint(3, 2));
        movePointer(pictureOrigin + at);
        return waitForStatusCount(
            QStringLiteral("[現在座標 : %1 × %2] カーソルの埋め込み位置でクリックしてください...")
                .arg(at.x())
                .arg(at.y()),
            1);
    }
    std::string log() { return vistrel().testLog().join(u'\n').toStdString(); }
};

QImage patternPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, 0xff000000 | patternColour(x, y));
    return image;
}

std::optional<QPoint> firstDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QPoint(-1, -1);
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if ((actual.pixel(x, y) & 0xffffff) != (expected.pixel(x, y) & 0xffffff))
                return QPoint(x, y);
    return std::nullopt;
}

} // namespace

// The I-beam chosen in the cursor grid with the keyboard lands where the view is clicked,
// nothing else changes, and undo brings the capture back.
TEST(Stamping, StandardCursorStampedAtTheClickedPointAndUndone)
{
    const QImage ibeam = themeCursor("xterm");
    ASSERT_FALSE(ibeam.isNull()) << "no cursor theme with an I-beam is installed";
    QTemporaryDir saved;
    StampScene scene(saved.path());
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";

    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("h")); // 標準カーソル埋め込み(&H)
    for (int step = 0; step < 3; ++step)
        scene.key(QStringLiteral("Down")); // arrow, busy arrow, cross, I-beam
    scene.key(QStringLiteral("Return"));

    const QPoint at(40, 30);
    ASSERT_TRUE(scene.pointAt(*origin, at)) << scene.log();
    scene.click();
    ASSERT_TRUE(scene.continuousSave(1)) << scene.log();

    const QImage capture = patternPicture(PatternClient.size());
    QImage expected = capture;
    DrawCursorImage(at, expected, ibeam);
    ASSERT_NE(expected, capture);
    const QImage stamped(saved.filePath(QStringLiteral("Vist001.png")));
    const auto stampMismatch = firstDifference(stamped, expected);
    EXPECT_FALSE(stampMismatch) << "differs at " << stampMismatch->x() << "," << stampMismatch->y();

    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("u")); // 1つ前の操作を元に戻す(&U)
    ASSERT_TRUE(scene.continuousSave(2)) << scene.log();
    const auto undoMismatch =
        firstDifference(QImage(saved.filePath(QStringLiteral("Vist002.png"))), capture);
    EXPECT_FALSE(undoMismatch) << "differs at " << undoMismatch->x() << "," << undoMismatch->y();
}

// An icon file made here is registered through the dialog, picked in the grid by a
// double-click and stamped near the right edge, where it is cut off.
TEST(Stamping, RegisteredIconPickedInTheGridIsStampedAndClipped)
{
    QTemporaryDir saved;
    const QString icon = saved.filePath(QStringLiteral("magenta.ico"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("convert"),
                                {QStringLiteral("-size"), QStringLiteral("32x32"),
                                 QStringLiteral("xc:#ff00ff"), icon}),
              0);
    StampScene scene(saved.path());
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";

    ASSERT_TRUE(scene.iconCommand(QStringLiteral("t"), QStringLiteral("埋め込みアイコンの設定")))
        << scene.log();
    scene.key(QStringLiteral("alt+a")); // 追加(&A)...
    ASSERT_TRUE(scene.session().waitForWindow(QStringLiteral("開く"))) << scene.log();
    scene.xdotool({QStringLiteral("type"), icon});
    scene.key(QStringLiteral("Return"));
    ASSERT_TRUE(scene.waitUntilClosed(QStringLiteral("開く"))) << scene.log();
    scene.key(QStringLiteral("alt+c")); // 閉じる(&C)
    ASSERT_TRUE(scene.waitUntilClosed(QStringLiteral("埋め込みアイコンの設定"))) << scene.log();
    scene.activate(scene.mainWindow());

    const auto picker =
        scene.iconCommand(QStringLiteral("c"), QStringLiteral("アイコンの埋め込み"));
    ASSERT_TRUE(picker) << scene.log();
    const auto grid = scene.session().geometry(*picker);
    ASSERT_TRUE(grid);
    scene.movePointer(grid->client.topLeft() + QPoint(17, 17));
    scene.xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                   QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});

    const QPoint at(PatternClient.width() - 10, 50);
    ASSERT_TRUE(scene.pointAt(*origin, at)) << scene.log();
    scene.click();
    ASSERT_TRUE(scene.continuousSave(1)) << scene.log();

    QImage expected = patternPicture(PatternClient.size());
    for (int y = at.y(); y < at.y() + 32; ++y)
        for (int x = at.x(); x < PatternClient.width(); ++x)
            expected.setPixel(x, y, qRgb(255, 0, 255));
    const auto mismatch =
        firstDifference(QImage(saved.filePath(QStringLiteral("Vist001.png"))), expected);
    EXPECT_FALSE(mismatch) << "differs at " << mismatch->x() << "," << mismatch->y();
}
