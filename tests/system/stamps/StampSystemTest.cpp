#include "capture/CaptureScene.h"
#include "edit/stamps/StampKernels.h"
#include "harness/Pattern.h"
#include "stamps/ThemeCursor.h"

#include <QDir>
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
        const WindowId pattern = startPattern(PatternClient, QStringLiteral("stamp pattern"));
        startVistrel("CLIENT=1\n[AUTOSAVE]\nDIR=" + QFile::encodeName(folder) + "\nSAVETYPE=10");
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
    bool continuousSave(int number)
    {
        key(QStringLiteral("alt+f"));
        key(QStringLiteral("a")); // 連続して保存する(&A)
        return waitForStatusCount(
            QStringLiteral("連続保存によりファイルへ出力しました。[ファイル名 = Vist%1.png]")
                .arg(number, 3, 10, QLatin1Char('0')),
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
    scene.movePointer(*origin + at - QPoint(3, 2));
    scene.movePointer(*origin + at);
    ASSERT_TRUE(scene.waitForStatusCount(
        QStringLiteral("[現在座標 : 40 × 30] カーソルの埋め込み位置でクリックしてください..."), 1))
        << scene.log();
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
