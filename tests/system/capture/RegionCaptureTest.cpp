#include "capture/CaptureScene.h"
#include "harness/Pattern.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel::test;

namespace {

const QRect PatternClient(800, 300, 300, 200);
const QString StillScreenTitle = QStringLiteral("Vistrel - 画面の選択");

std::string logOf(CaptureScene& scene)
{
    return "log:\n" + scene.vistrel().testLog().join(u'\n').toStdString();
}

// Opens region capture from the menu and waits until the still screen is up.
void openRegionCapture(CaptureScene& scene)
{
    scene.chooseCaptureItem(QStringLiteral("r"));
    ASSERT_TRUE(scene.session().waitForWindow(StillScreenTitle)) << logOf(scene);
}

void drag(CaptureScene& scene, QPoint from, QPoint to)
{
    scene.movePointer(from);
    scene.session().xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    scene.movePointer((from + to) / 2);
    scene.movePointer(to);
    scene.session().xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

// Pixels of the picture that are not the pattern at `client`-relative offset `origin`.
int offPattern(const QImage& picture, QPoint origin)
{
    int wrong = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            wrong += (picture.pixel(x, y) & 0xffffff) !=
                     (patternColour(origin.x() + x, origin.y() + y) & 0xffffff);
    return wrong;
}

} // namespace

TEST(RegionCapture, ADragTakesExactlyItsRectangleAndEscLeavesThePictureAlone)
{
    CaptureScene scene;
    const WindowId pattern = scene.startPattern(PatternClient, QStringLiteral("region pattern"));
    scene.startVistrel("CLIENT=0");
    const QRect client = scene.geometryOf(pattern).client;

    openRegionCapture(scene);
    drag(scene, client.topLeft() + QPoint(20, 30), client.topLeft() + QPoint(120, 110));
    scene.key(QStringLiteral("Return"));
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 1)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    ASSERT_EQ(picture.size(), QSize(100, 80));
    EXPECT_EQ(offPattern(picture, QPoint(20, 30)), 0);

    // Esc on the still screen: no capture, the picture shown stays.
    ASSERT_TRUE(scene.waitForMainWindowBack());
    openRegionCapture(scene);
    scene.key(QStringLiteral("Escape"));
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Aborted, 1)) << logOf(scene);
    EXPECT_EQ(scene.tabFiles().size(), 1);

    // The region is kept for "the last region" in the settings.
    scene.vistrel().stop();
    EXPECT_TRUE(scene.vistrel().readIni().contains(QStringLiteral("LASTREGION=%1,%2,100,80")
                                                       .arg(client.x() + 20)
                                                       .arg(client.y() + 30)
                                                       .toUtf8()));
}

TEST(RegionCapture, AClickTakesTheWindowUnderThePointer)
{
    CaptureScene scene;
    const WindowId xterm = scene.startXterm(QPoint(1300, 300), QStringLiteral("region xterm"));
    scene.startVistrel("CLIENT=0");
    const WindowGeometry geometry = scene.geometryOf(xterm);

    openRegionCapture(scene);
    scene.movePointer(geometry.client.center());
    scene.click();
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 1)) << logOf(scene);
    EXPECT_EQ(scene.tabPicture(1).size(), geometry.frame.size());
}

TEST(RegionCapture, AGivenRectangleIsTheScreensCropWithoutAWindow)
{
    QTemporaryDir shots;
    CaptureScene scene;
    const WindowId pattern = scene.startPattern(PatternClient, QStringLiteral("region pattern"));
    const QRect client = scene.geometryOf(pattern).client;
    scene.vistrel().writeIni("[ALL]\nWAITTIME=0\n");
    const QRect wanted(client.x() + 5, client.y() + 7, 64, 48);
    scene.vistrel().start({QStringLiteral("/C4;%1;%2;%3;%4")
                               .arg(wanted.x())
                               .arg(wanted.y())
                               .arg(wanted.width())
                               .arg(wanted.height()),
                           QStringLiteral("/A5;%1;PNG;shot").arg(shots.path())});
    ASSERT_TRUE(scene.vistrel().waitForExit()) << logOf(scene);
    EXPECT_EQ(scene.vistrel().exitCode(), 0) << logOf(scene);
    const QImage picture(QDir(shots.path()).filePath(QStringLiteral("shot001.png")));
    ASSERT_EQ(picture.size(), wanted.size());
    EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
              scene.session().grab(wanted).convertToFormat(QImage::Format_RGB32));

    // The same rectangle again, by name, from the settings the first run kept.
    ChildOptions options;
    options.setEnv[QStringLiteral("VISTREL_CONFIG_DIR")] = scene.vistrel().configDir();
    ChildProcess& again =
        scene.session().start({QStringLiteral(VISTREL_BINARY), QStringLiteral("/C4;last"),
                               QStringLiteral("/A5;%1;PNG;again").arg(shots.path())},
                              options);
    ASSERT_TRUE(again.waitForExit(std::chrono::seconds(60)));
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_EQ(QImage(QDir(shots.path()).filePath(QStringLiteral("again001.png"))).size(),
              wanted.size());
}
