#include "capture/CaptureScene.h"
#include "edit/filters/AreaFilterKernels.h"
#include "edit/filters/GaussianBlur.h"
#include "harness/Pattern.h"

#include <QDir>

#include <csignal>

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Right of the program's window; small enough to be seen whole in its view.
const QRect PatternClient(900, 200, 300, 160);

// The pattern and the program, with the pattern's client area captured as the picture.
class EditScene : public CaptureScene {
public:
    explicit EditScene(const QByteArray& mainLines = "CLIENT=1")
    {
        startWithPatternPicture(PatternClient, QStringLiteral("edit pattern"), mainLines);
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
    // Waits for a dialog of the program and gives it the keyboard.
    std::optional<WindowId> focusWindow(const QString& title)
    {
        const auto window = session().waitForWindow(title);
        if (window)
            activate(*window);
        return window;
    }
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

// Dragged on the view, nudged in the wizard, copied: exactly that part of the pattern is on
// the clipboard, while the view keeps the whole picture.
TEST(EditModes, TrimmingByMouseAndWizardActsOnExactlyThatRectangle)
{
    EditScene scene;
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";

    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("n")); // 切り抜き(&N)
    scene.drag(*origin + QPoint(30, 20), *origin + QPoint(150, 110));
    ASSERT_TRUE(scene.waitForStatus(span(30, 20, 150, 110) +
                                    QStringLiteral("終了位置でドロップてください...")))
        << scene.log();
    const auto wizard = scene.focusWindow(QStringLiteral("切り抜き - ウイザード (1/2)"));
    ASSERT_TRUE(wizard) << scene.log();

    // The start column's spinner has the focus: one step of 5 to the right.
    scene.key(QStringLiteral("Up"));
    scene.key(QStringLiteral("alt+n"));
    ASSERT_TRUE(scene.session().waitForWindow(QStringLiteral("切り抜き - ウイザード (2/2)")));
    scene.key(QStringLiteral("alt+c")); // クリップボードへコピーする(&C)
    scene.key(QStringLiteral("alt+s")); // 完了(&S)

    ASSERT_TRUE(scene.waitForStatus(QStringLiteral("クリップボードへコピーしました。")))
        << scene.log();
    const QByteArray png = runCommand({QStringLiteral("xclip"), QStringLiteral("-selection"),
                                       QStringLiteral("clipboard"), QStringLiteral("-t"),
                                       QStringLiteral("image/png"), QStringLiteral("-o")},
                                      scene.session().optionsFor({}), std::chrono::seconds(10))
                               .output;
    const QImage part = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
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

namespace {

const QString ShapeAdvice =
    QStringLiteral("図形描画範囲外で画像をクリックすると描画位置が確定されます");

// The captured pattern as the program holds it.
QImage patternPicture()
{
    QImage picture(PatternClient.size(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, 0xff000000 | patternColour(x, y));
    return picture;
}

// Continuous save from the File menu; the picture written.
QImage saveShown(EditScene& scene, const QTemporaryDir& folder)
{
    scene.key(QStringLiteral("alt+f"));
    scene.key(QStringLiteral("a")); // 連続して保存する(&A)
    if (!scene.waitForStatus(
            QStringLiteral("連続保存によりファイルへ出力しました。[ファイル名 = Vist001.png]")))
        return {};
    return QImage(folder.filePath(QStringLiteral("Vist001.png")))
        .convertToFormat(QImage::Format_RGB32);
}

// Where the drawing panel's figure button `index` (0 rectangle, 1 rounded, 2 ellipse) is:
// the three black icons topmost in the panel left of the picture.
std::optional<QPoint> figureButton(EditScene& scene, QPoint pictureOrigin, int index)
{
    const auto frame = scene.session().geometry(scene.mainWindow());
    if (!frame)
        return std::nullopt;
    const QRect panel(frame->client.x(), frame->client.y(), 101,
                      pictureOrigin.y() - frame->client.y());
    const QImage shot = scene.session().grab(panel).convertToFormat(QImage::Format_RGB32);
    const auto black = [&](int x, int y) { return (shot.pixel(x, y) & 0xffffff) == 0; };
    for (int y = 0; y < shot.height(); ++y) {
        QList<int> starts; // the left edge of each icon on the first row that has any
        for (int x = 0; x < shot.width(); ++x)
            if (black(x, y) && (x == 0 || !black(x - 1, y)) &&
                (starts.isEmpty() || x - starts.last() > 12))
                starts << x;
        if (starts.size() == 3)
            return panel.topLeft() + QPoint(starts[index] + 6, y + 4);
    }
    return std::nullopt;
}

} // namespace

// A mosaic of 8 inside the selection, then grey outside it: what is saved is the kernels'
// result on the pattern.
TEST(EditModes, MosaicInsideThenGreyOutsideAreSaved)
{
    QTemporaryDir saved;
    EditScene scene("CLIENT=1\n[AUTOSAVE]\nDIR=" + QFile::encodeName(saved.path()) +
                    "\nSAVETYPE=10");
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";
    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("a")); // エリア選択(&A)
    scene.drag(*origin + QPoint(40, 30), *origin + QPoint(140, 100));
    ASSERT_TRUE(scene.waitForStatus(
        span(40, 30, 140, 100) +
        QStringLiteral("選択した領域に対してモザイク処理／色の変更を行ってください")))
        << scene.log();

    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("m")); // モザイク(&M)
    ASSERT_TRUE(scene.focusWindow(QStringLiteral("モザイク"))) << scene.log();
    scene.xdotool({QStringLiteral("type"), QStringLiteral("8")});
    scene.key(QStringLiteral("Return"));
    ASSERT_TRUE(scene.waitForStatus(QStringLiteral("処理が完了しました"))) << scene.log();

    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("o")); // エリア選択の枠外を処理する(&O)
    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("l")); // カラーの変更(&L)...
    const auto dialog = scene.focusWindow(QStringLiteral("カラーの変更"));
    ASSERT_TRUE(dialog) << scene.log();
    // The choice counts once its preview is built: the colours leave the dialog.
    const auto colourful = [&] {
        const auto geometry = scene.session().geometry(*dialog);
        const QImage shot = geometry ? scene.session().grab(geometry->client) : QImage();
        int count = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QRgb pixel = shot.pixel(x, y);
                count += qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel);
            }
        return count;
    };
    ASSERT_TRUE(waitFor([&] { return colourful() > 7000; })) << "no preview: " << colourful();
    const int before = colourful();
    scene.key(QStringLiteral("alt+g")); // グレイストーン(&G)
    ASSERT_TRUE(waitFor([&] { return colourful() < before - 5000; }))
        << "the preview stayed in colour: " << before << " " << colourful();
    scene.key(QStringLiteral("Return"));
    ASSERT_TRUE(scene.waitForStatusCount(QStringLiteral("処理が完了しました"), 2)) << scene.log();

    const QImage picture = saveShown(scene, saved);
    ASSERT_FALSE(picture.isNull()) << scene.log();
    const QRect selection(40, 30, 100, 70);
    QImage expected = ApplyAreaFilter(patternPicture(), FilterKind::Mosaic, 8, selection, false);
    expected = ApplyAreaFilter(expected, FilterKind::Colour, ColourGrey, selection, true)
                   .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), expected.size());
    EXPECT_TRUE(picture == expected) << "the saved picture is not the filtered pattern";
}

// A red ellipse of width 3, placed with the frame and fixed by a click outside it.
TEST(EditModes, EllipseIsDrawnInTheChosenColourAndWidth)
{
    QTemporaryDir saved;
    EditScene scene("CLIENT=1\nLINECOLOR=255\nLINEWIDTH=2\n[AUTOSAVE]\nDIR=" +
                    QFile::encodeName(saved.path()) + "\nSAVETYPE=10");
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";
    const auto ellipseButton = figureButton(scene, *origin, 2);
    ASSERT_TRUE(ellipseButton) << "the drawing panel's figure buttons were not found";
    scene.movePointer(*ellipseButton);
    scene.click();
    scene.drag(*origin + QPoint(40, 30), *origin + QPoint(140, 100));
    ASSERT_TRUE(scene.waitForStatus(span(40, 30, 140, 100) + ShapeAdvice)) << scene.log();
    scene.movePointer(*origin + QPoint(250, 140));
    scene.click();

    const QImage picture = saveShown(scene, saved);
    ASSERT_FALSE(picture.isNull()) << scene.log();
    const QImage pattern = patternPicture();
    const auto isRed = [&](int x, int y) { return (picture.pixel(x, y) & 0xffffff) == 0xff0000; };
    EXPECT_TRUE(isRed(90, 31) && isRed(90, 98) && isRed(41, 65) && isRed(138, 65))
        << "the ellipse does not touch the middle of each side of the frame";
    int redInside = 0;
    int changedOutside = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const double dx = (x + 0.5 - 90) / 50.0;
            const double dy = (y + 0.5 - 65) / 35.0;
            if (dx * dx + dy * dy < 0.7)
                redInside += isRed(x, y);
            if (!QRect(40, 30, 100, 70).contains(x, y))
                changedOutside += picture.pixel(x, y) != pattern.pixel(x, y);
        }
    EXPECT_EQ(redInside, 0) << "the ellipse is filled";
    EXPECT_EQ(changedOutside, 0) << "the figure left its frame";
}

// Selects an area of the picture shown at `origin` and applies a mosaic of 8 to it.
void mosaicOverAnArea(EditScene& scene, QPoint origin)
{
    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("a")); // エリア選択(&A)
    scene.drag(origin + QPoint(40, 30), origin + QPoint(140, 100));
    scene.key(QStringLiteral("alt+e"));
    scene.key(QStringLiteral("m")); // モザイク(&M)
    ASSERT_TRUE(scene.focusWindow(QStringLiteral("モザイク"))) << scene.log();
    scene.xdotool({QStringLiteral("type"), QStringLiteral("8")});
    scene.key(QStringLiteral("Return"));
    ASSERT_TRUE(scene.waitForStatus(QStringLiteral("処理が完了しました"))) << scene.log();
}

// A mosaic undone, redone and undone again, then a capture from the menu: the tab that was
// left keeps the picture it showed, not the edit that was undone.
TEST(EditModes, ACaptureAfterAnUndoLeavesTheTabAsItWasShown)
{
    EditScene scene;
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";
    mosaicOverAnArea(scene, *origin);
    ASSERT_TRUE(waitFor([&] { return scene.tabPicture(1) != patternPicture(); }))
        << "the mosaic is not in the tab's file";

    const QPoint inside = *origin + QPoint(61, 53);
    const auto shownColour = [&] {
        return scene.session().grab(QRect(inside, QSize(1, 1))).pixel(0, 0) & 0xffffff;
    };
    const QRgb original = patternColour(61, 53);
    ASSERT_NE(shownColour(), original) << "no mosaic on show";
    scene.key(QStringLiteral("ctrl+z"));
    ASSERT_TRUE(waitFor([&] { return shownColour() == original; }))
        << "the undo did not bring the pattern back";
    scene.key(QStringLiteral("ctrl+shift+z"));
    ASSERT_TRUE(waitFor([&] { return shownColour() != original; }))
        << "the redo did not bring the mosaic back";
    scene.key(QStringLiteral("ctrl+z"));
    ASSERT_TRUE(waitFor([&] {
        return shownColour() == original && scene.tabPicture(1) == patternPicture();
    })) << "the second undo did not bring the pattern back";

    scene.chooseCaptureItem(QStringLiteral("a"));
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 2)) << scene.log();
    EXPECT_TRUE(waitFor([&] { return scene.tabFiles().size() == 2; })); // written in the background
    EXPECT_TRUE(scene.tabPicture(1) == patternPicture()) << "the tab holds the undone mosaic";
}

// A session that ends (SIGTERM) with an unsaved mosaic asks nothing and keeps it; the next
// start offers it back, and Return (the default, Yes) brings it back as an edited tab.
TEST(EditModes, AnEditLeftAtASessionEndIsOfferedAtTheNextStart)
{
    EditScene scene;
    const auto origin = scene.pictureOnScreen();
    ASSERT_TRUE(origin) << "the picture is not on show";
    mosaicOverAnArea(scene, *origin);
    ASSERT_TRUE(waitFor([&] { return scene.tabPicture(1) != patternPicture(); }));
    const QImage edited = scene.tabPicture(1);

    scene.vistrel().signal(SIGTERM);
    ASSERT_TRUE(scene.vistrel().waitForExit()) << "the program did not end on SIGTERM";
    EXPECT_EQ(scene.vistrel().exitCode(), 0);
    EXPECT_TRUE(scene.vistrel().testLog().filter(QStringLiteral("question: ")).isEmpty());

    VistrelProcess next(scene.session());
    next.setEnv(QStringLiteral("VISTREL_CONFIG_DIR"), scene.vistrel().configDir());
    next.start();
    const QString offer = QStringLiteral(
        "question: 前回の終了時に保存されていなかった編集が1件あります。復元しますか？");
    ASSERT_TRUE(waitFor([&] { return next.testLog().contains(offer); }))
        << next.testLog().join(u'\n').toStdString();
    // The question has the keyboard: Return takes its default.
    ASSERT_TRUE(waitFor([&] {
        scene.xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        return next.testLog().contains(
            QStringLiteral("status: 保存されていなかった編集を1件復元しました"));
    })) << next.testLog().join(u'\n').toStdString();
    EXPECT_TRUE(
        waitFor([&] { return !next.windows(QStringLiteral("edit pattern - Vistrel")).isEmpty(); }));
    next.signal(SIGTERM);
    EXPECT_TRUE(next.waitForExit());
}

namespace {

const QString DrawHint =
    QStringLiteral("ドラッグして描いてください。"
                   "描いたものはクリックで選択、移動・変形・Del で削除できます");

// The folder a drawing scene saves into, made before the program that is told about it.
struct SaveFolder {
    QTemporaryDir saved;
};

// The program with the pattern as its picture, red lines of width 3 and continuous save into
// a folder of the scene's own.
class DrawingScene : private SaveFolder, public EditScene {
public:
    explicit DrawingScene(const QByteArray& drawLines = {})
        : EditScene("CLIENT=1\nLINECOLOR=255\nLINEWIDTH=2\n[AUTOSAVE]\nDIR=" +
                    QFile::encodeName(saved.path()) + "\nSAVETYPE=10\n[DRAW]\n" + drawLines)
    {
        origin = pictureOnScreen();
    }

    // 編集 > 描き込み > the tool's mnemonic; true once the tool is on.
    bool chooseTool(const QString& mnemonic, const QString& hint = DrawHint)
    {
        key(QStringLiteral("alt+e"));
        key(QStringLiteral("w"));
        key(mnemonic);
        return waitForStatus(hint);
    }
    QPoint at(int x, int y) const { return *origin + QPoint(x, y); }
    void clickAt(int x, int y)
    {
        movePointer(at(x, y));
        click();
    }
    QImage save() { return saveShown(*this, saved); }

    std::optional<QPoint> origin;
};

bool isRed(const QImage& picture, int x, int y)
{
    return (picture.pixel(x, y) & 0xffffff) == 0xff0000;
}

bool isPattern(const QImage& picture, int x, int y)
{
    return (picture.pixel(x, y) & 0xffffff) == patternColour(x, y);
}

} // namespace

// An arrow drawn, then dragged by its shaft 30 pixels down before saving: the saved picture
// has it, shaft and filled head, only where it was moved to.
TEST(DrawingTools, ArrowIsMovedBeforeItIsSaved)
{
    DrawingScene scene;
    ASSERT_TRUE(scene.origin) << "the picture is not on show";
    ASSERT_TRUE(scene.chooseTool(QStringLiteral("a"))) << scene.log();
    scene.drag(scene.at(40, 50), scene.at(200, 50));
    scene.drag(scene.at(100, 50), scene.at(100, 80));
    // A second arrow, selected and deleted: Del (the menu's file deletion) takes the object.
    scene.drag(scene.at(40, 130), scene.at(200, 130));
    scene.clickAt(100, 130);
    scene.key(QStringLiteral("Delete"));
    const QImage picture = scene.save();
    ASSERT_FALSE(picture.isNull()) << scene.log();
    EXPECT_TRUE(isRed(picture, 100, 80) && isRed(picture, 60, 79) && isRed(picture, 60, 81));
    EXPECT_TRUE(isRed(picture, 186, 86) && isRed(picture, 186, 74) && isRed(picture, 198, 80))
        << "no filled head at the end";
    EXPECT_TRUE(isPattern(picture, 100, 50) && isPattern(picture, 100, 90));
    EXPECT_TRUE(isPattern(picture, 100, 130)) << "the deleted arrow was drawn";
}

// Shift keeps a line on 15° steps: dragged 6 pixels off the level, it is drawn level.
TEST(DrawingTools, LineSnapsWithShift)
{
    DrawingScene scene;
    ASSERT_TRUE(scene.origin) << "the picture is not on show";
    ASSERT_TRUE(scene.chooseTool(QStringLiteral("l"),
                                 QStringLiteral("ドラッグして描いてください (Shift で 15° ごと)。"
                                                "描いたものはクリックで選択、移動・変形・Del "
                                                "で削除できます")))
        << scene.log();
    scene.xdotool({QStringLiteral("keydown"), QStringLiteral("shift")});
    scene.drag(scene.at(40, 60), scene.at(200, 66));
    scene.xdotool({QStringLiteral("keyup"), QStringLiteral("shift")});
    const QImage picture = scene.save();
    ASSERT_FALSE(picture.isNull()) << scene.log();
    EXPECT_TRUE(isRed(picture, 190, 60) && isRed(picture, 50, 60));
    EXPECT_TRUE(isPattern(picture, 190, 64) && isPattern(picture, 190, 66));
}

// A freehand stroke along a row; a second one is undone before saving.
TEST(DrawingTools, PenStrokeFollowsThePointer)
{
    DrawingScene scene;
    ASSERT_TRUE(scene.origin) << "the picture is not on show";
    ASSERT_TRUE(scene.chooseTool(QStringLiteral("p"))) << scene.log();
    scene.drag(scene.at(40, 120), scene.at(200, 120));
    scene.drag(scene.at(40, 140), scene.at(200, 140));
    scene.key(QStringLiteral("ctrl+z")); // takes back the newest stroke only
    const QImage picture = scene.save();
    ASSERT_FALSE(picture.isNull()) << scene.log();
    for (int x = 50; x < 190; x += 20)
        EXPECT_TRUE(isRed(picture, x, 120)) << x;
    EXPECT_TRUE(isPattern(picture, 100, 124) && isPattern(picture, 100, 116));
    EXPECT_TRUE(isPattern(picture, 100, 140)) << "the undone stroke was saved";
}

// The highlighter multiplies: red over the pattern keeps each pixel's red and clears the rest.
TEST(DrawingTools, MarkerMultipliesWithThePicture)
{
    DrawingScene scene;
    ASSERT_TRUE(scene.origin) << "the picture is not on show";
    ASSERT_TRUE(scene.chooseTool(QStringLiteral("m"))) << scene.log();
    scene.drag(scene.at(40, 80), scene.at(200, 80));
    const QImage picture = scene.save();
    ASSERT_FALSE(picture.isNull()) << scene.log();
    for (const QPoint& point : {QPoint(60, 80), QPoint(120, 76), QPoint(180, 84)})
        EXPECT_EQ(picture.pixel(point) & 0xffffff, patternColour(point.x(), point.y()) & 0xff0000)
            << point.x() << "," << point.y();
    EXPECT_TRUE(isPattern(picture, 120, 100));
}

// Typed text lands where it was placed, in the drawing colour, and nowhere else.
TEST(DrawingTools, TextIsTypedWhereItWasPlaced)
{
    DrawingScene scene("FONTSIZE=30\n");
    ASSERT_TRUE(scene.origin) << "the picture is not on show";
    ASSERT_TRUE(scene.chooseTool(
        QStringLiteral("t"),
        QStringLiteral("文字を置く位置をクリックして入力してください (Esc で入力を終了)")))
        << scene.log();
    scene.clickAt(50, 40);
    scene.xdotool({QStringLiteral("type"), QStringLiteral("HIT")});
    scene.key(QStringLiteral("Escape"));
    const QImage picture = scene.save();
    ASSERT_FALSE(picture.isNull()) << scene.log();
    int redInside = 0;
    int changedOutside = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (QRect(48, 38, 110, 44).contains(x, y))
                redInside += isRed(picture, x, y);
            else
                changedOutside += !isPattern(picture, x, y);
        }
    EXPECT_GT(redInside, 150) << "the three letters are not there";
    EXPECT_EQ(changedOutside, 0);
}

// Two badges: filled red circles, numbered from 1.
TEST(DrawingTools, BadgesAreFilledCircles)
{
    DrawingScene scene;
    ASSERT_TRUE(scene.origin) << "the picture is not on show";
    ASSERT_TRUE(scene.chooseTool(QStringLiteral("n"),
                                 QStringLiteral("番号を置く位置をクリックしてください")))
        << scene.log();
    scene.clickAt(60, 60);
    scene.clickAt(160, 60);
    const QImage picture = scene.save();
    ASSERT_FALSE(picture.isNull()) << scene.log();
    for (int centre : {60, 160}) {
        EXPECT_TRUE(isRed(picture, centre - 12, 60) && isRed(picture, centre + 12, 60) &&
                    isRed(picture, centre, 46))
            << centre;
        EXPECT_FALSE(isRed(picture, centre, 60)) << "no number on the badge at " << centre;
        EXPECT_TRUE(isPattern(picture, centre, 80));
    }
}

// A blurred rectangle is exactly the blur kernel's result on the pattern.
TEST(DrawingTools, BlurIsTheKernelsResult)
{
    DrawingScene scene("BLUR=5\n");
    ASSERT_TRUE(scene.origin) << "the picture is not on show";
    ASSERT_TRUE(scene.chooseTool(QStringLiteral("b"))) << scene.log();
    scene.drag(scene.at(40, 30), scene.at(140, 100));
    const QImage picture = scene.save();
    ASSERT_FALSE(picture.isNull()) << scene.log();
    const QImage expected =
        GaussianBlurred(patternPicture(), QRect(QPoint(40, 30), QPoint(140, 100)), 5)
            .convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(picture == expected) << "the saved picture is not the blurred pattern";
}
