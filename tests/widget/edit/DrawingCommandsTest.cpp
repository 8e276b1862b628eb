#include "EditRig.h"
#include "edit/ImageArea.h"
#include "edit/ImageDocument.h"
#include "edit/ResamplePicture.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "edit/annotate/AnnotationTools.h"
#include "edit/filters/FilterCommands.h"
#include "edit/modes/EditModes.h"
#include "edit/modes/EditSurface.h"
#include "edit/shapes/ShapeTools.h"
#include "edit/shapes/TDrawPanel.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

const QRgb Ground = qRgb(200, 200, 200);
const QRgb Red = qRgb(255, 0, 0);

// The shape tools and the area filters on a plain grey picture.
class DrawingCommandsTest : public testing::Test, protected test::EditRig<test::NoWizard> {
protected:
    DrawingCommandsTest()
    {
        settings.MAIN.LINECOLOR = 0x0000FF; // red
        filters.selection = [this]() -> std::optional<QRect> {
            const QRect selected = modes.selection();
            return selected.isEmpty() ? std::nullopt : std::optional<QRect>(selected);
        };
        QImage picture(60, 120, QImage::Format_RGB32);
        picture.fill(Ground);
        document.currentImage() = picture;
        document.SetCurrentImage(ImageDocument::Mode::Reset);
    }

    void select(QRect rect)
    {
        modes.imaBitmapMouseDown(rect.topLeft());
        modes.imaBitmapMouseMove(rect.topLeft() + QPoint(rect.width(), rect.height()));
        modes.imaBitmapMouseUp({});
    }
    // Pixels of one colour in a row or column of the shown picture.
    int countRow(int y, QRgb colour) const
    {
        int count = 0;
        for (int x = 0; x < document.viewBitmap().width(); ++x)
            count += document.viewBitmap().pixel(x, y) == colour;
        return count;
    }

    void drag(QPoint from, QPoint to)
    {
        modes.imaBitmapMouseDown(from);
        modes.imaBitmapMouseMove((from + to) / 2);
        modes.imaBitmapMouseMove(to);
        modes.imaBitmapMouseUp(to);
    }
    void pressKey(QObject* target, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    TDrawPanel panel;
    ShapeTools shapes{document, status, settings, modes, panel};
    FilterCommands filters{document, status, nullptr, {}};
    AnnotationTools annotations{document, status, settings, modes, surface, panel};
};

} // namespace

TEST_F(DrawingCommandsTest, RectangleOfWidthOneOutlinesTheSelectionOnly)
{
    shapes.tButLineClick(BandKind::Rectangle);
    EXPECT_TRUE(panel.figureButton(BandKind::Rectangle)->isChecked());
    select({10, 10, 10, 10});
    modes.imaBitmapMouseDown({50, 50}); // a click on the picture outside the frame
    modes.imaBitmapMouseUp({50, 50});
    const QImage& shown = document.viewBitmap();
    EXPECT_EQ(shown.pixel(10, 10), Red);
    EXPECT_EQ(shown.pixel(19, 19), Red);
    EXPECT_EQ(shown.pixel(20, 20), Ground);
    EXPECT_EQ(shown.pixel(15, 15), Ground); // hollow
    EXPECT_EQ(countRow(10, Red), 10);
    EXPECT_EQ(document.undoDepth(), 2);
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_FALSE(panel.figureButton(BandKind::Rectangle)->isChecked());
}

TEST_F(DrawingCommandsTest, ThickLinesStayInsideAndAnotherFigureCommitsThePendingOne)
{
    shapes.mnuLinedot0Click(4); // solid, 5 pixels
    shapes.tButLineClick(BandKind::Rectangle);
    select({10, 10, 30, 30});
    // Choosing the ellipse draws the placed rectangle first.
    shapes.tButLineClick(BandKind::Ellipse);
    EXPECT_EQ(document.undoDepth(), 2);
    EXPECT_EQ(shapes.activeFigure(), BandKind::Ellipse);
    EXPECT_EQ(modes.mode(), ModeShape);
    const QImage& shown = document.viewBitmap();
    EXPECT_EQ(shown.pixel(10, 20), Red);    // the stroke reaches the frame's edge
    EXPECT_EQ(shown.pixel(9, 20), Ground);  // and never leaves it
    EXPECT_EQ(shown.pixel(40, 20), Ground); // right edge exclusive
    EXPECT_EQ(shown.pixel(39, 20), Red);
    EXPECT_EQ(shown.pixel(15, 20), Ground);

    // Any other end of the mode (a capture, a tab, saving) draws it too.
    select({5, 50, 40, 60});
    modes.EndEditMode();
    EXPECT_EQ(document.undoDepth(), 3);
    EXPECT_EQ(document.viewBitmap().pixel(25, 50), Red); // top of the ellipse
    EXPECT_EQ(document.viewBitmap().pixel(6, 51), Ground);
}

TEST_F(DrawingCommandsTest, FiltersWorkInsideOrOutsideTheSelectionAndCancelAddsNoStep)
{
    filters.askColour = [](const QImage&, const QRect&) { return 0; };
    filters.mnuEditColorClick();
    EXPECT_EQ(document.undoDepth(), 1);

    modes.mnuEditRangeClick();
    select({10, 20, 10, 10});
    QRect asked;
    filters.askColour = [&](const QImage&, const QRect& target) {
        asked = target;
        return 1; // negative
    };
    filters.mnuEditColorClick();
    EXPECT_EQ(asked, QRect(10, 20, 10, 10));
    EXPECT_EQ(document.viewBitmap().pixel(10, 20), qRgb(55, 55, 55));
    EXPECT_EQ(document.viewBitmap().pixel(9, 20), Ground);
    EXPECT_EQ(status.panelText(2), QStringLiteral("処理が完了しました"));
    EXPECT_EQ(modes.mode(), ModeArea); // the selection stays for the next filter

    filters.mnuEditRangeOverClick();
    filters.askTileSize = [] { return std::optional<QString>(QStringLiteral("x")); };
    filters.mnuEditMozaicClick();
    filters.askTileSize = [] { return std::optional<QString>(QStringLiteral("4")); };
    filters.mnuEditMozaicClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("整数値を入力してください。")});
    EXPECT_EQ(document.undoDepth(), 3);
    EXPECT_EQ(document.currentImage().format(), QImage::Format_BGR888);
    EXPECT_EQ(document.viewBitmap().pixel(10, 20), qRgb(55, 55, 55)); // inside kept
}

TEST_F(DrawingCommandsTest, EveryKindOfEditIsUndoneAndRedoneUntilANewEdit)
{
    TransformCommands transforms{document, status, nullptr, {}};
    std::vector<QImage> seen{document.viewBitmap()};
    const auto kept = [&] { seen.push_back(document.viewBitmap()); };
    shapes.tButLineClick(BandKind::Rectangle);
    select({5, 5, 20, 20});
    modes.EndEditMode();
    kept();
    modes.mnuEditRangeClick();
    select({10, 30, 20, 20});
    filters.askTileSize = [] { return std::optional<QString>(QStringLiteral("4")); };
    filters.mnuEditMozaicClick();
    kept();
    filters.askColour = [](const QImage&, const QRect&) { return 1; };
    filters.mnuEditColorClick();
    kept();
    modes.EndEditMode();
    transforms.mnuRotate90RightClick(90);
    kept();
    // A resize and a trim as their dialogs commit them.
    document.currentImage() = ResamplePicture(document.currentImage(), 60, 30);
    document.SetCurrentImage(ImageDocument::Mode::Commit);
    kept();
    document.currentImage() = document.currentImage().copy(5, 5, 40, 20);
    document.SetCurrentImage(ImageDocument::Mode::Commit);
    kept();
    ASSERT_EQ(document.undoDepth(), int(seen.size()));

    for (size_t step = seen.size() - 1; step > 0; --step) {
        document.mnuEditUndoClick();
        ASSERT_EQ(document.viewBitmap(), seen[step - 1]) << step;
    }
    for (size_t step = 1; step < seen.size(); ++step) {
        document.mnuEditRedoClick();
        ASSERT_EQ(document.viewBitmap(), seen[step]) << step;
    }
    EXPECT_EQ(document.redoDepth(), 0);
    document.mnuEditUndoClick();
    document.mnuEditUndoClick();
    transforms.mnuRotate90RightClick(180); // a new edit ends what could be redone
    EXPECT_EQ(document.redoDepth(), 0);
    document.mnuEditRedoClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("やり直す操作がありません")});
    document.mnuEditUndoClick();
    EXPECT_EQ(document.viewBitmap(), seen[seen.size() - 3]);
}

TEST_F(DrawingCommandsTest, DrawnObjectsCanBeMovedAndDeletedUntilTheModeEndsThenAreOneStepEach)
{
    shapes.mnuLinedot0Click(2); // 3 pixels
    annotations.chooseTool(AnnotationKind::Line);
    EXPECT_TRUE(panel.toolButton(AnnotationKind::Line)->isChecked());
    // The panel scrolls: its tools never make the window taller than the user left it.
    EXPECT_LT(panel.minimumSizeHint().height(), 150);
    drag({5, 10}, {50, 10});
    drag({5, 30}, {50, 30});
    drag({5, 100}, {50, 100});
    ASSERT_EQ(annotations.scene().objects.size(), 3);
    EXPECT_EQ(document.undoDepth(), 1); // nothing in the picture yet
    EXPECT_EQ(document.viewBitmap().pixel(20, 10), Ground);
    EXPECT_EQ(annotations.layer().composed().pixel(20, 10), Red); // but shown

    drag({20, 30}, {20, 40}); // the second line moves down by 10
    EXPECT_EQ(annotations.scene().selected, 1);
    modes.imaBitmapMouseDown({30, 100}); // the third is selected and deleted
    modes.imaBitmapMouseUp({30, 100});
    pressKey(area.ScrBoxMain(), Qt::Key_Delete);
    EXPECT_EQ(annotations.scene().objects.size(), 2);

    annotations.chooseTool(AnnotationKind::Arrow); // another tool ends the mode
    EXPECT_EQ(annotations.activeTool(), AnnotationKind::Arrow);
    EXPECT_EQ(document.undoDepth(), 3);
    const QImage& shown = document.viewBitmap();
    EXPECT_EQ(shown.pixel(20, 10), Red);
    EXPECT_EQ(shown.pixel(20, 40), Red);
    EXPECT_EQ(shown.pixel(20, 30), Ground);
    EXPECT_EQ(shown.pixel(20, 100), Ground);
    document.mnuEditUndoClick(); // the moved line goes alone
    EXPECT_EQ(document.viewBitmap().pixel(20, 40), Ground);
    EXPECT_EQ(document.viewBitmap().pixel(20, 10), Red);
}

TEST_F(DrawingCommandsTest, RecolouringAndTheHandlesChangeTheSelectedObjectOnly)
{
    annotations.chooseTool(AnnotationKind::Blur);
    drag({10, 10}, {40, 40});
    annotations.chooseTool(AnnotationKind::Arrow);
    annotations.chooseTool(AnnotationKind::Arrow); // off again, nothing drawn
    EXPECT_EQ(document.undoDepth(), 2);

    annotations.chooseTool(AnnotationKind::Line);
    drag({10, 60}, {50, 60});
    drag({10, 80}, {30, 80});
    settings.MAIN.LINECOLOR = 0xFF0000; // blue, for the selected second line
    annotations.styleChanged();
    drag({30, 80}, {50, 80}); // its end handle stretches it
    modes.EndEditMode();
    EXPECT_EQ(document.viewBitmap().pixel(40, 60), Red);
    EXPECT_EQ(document.viewBitmap().pixel(45, 80), qRgb(0, 0, 255));
    EXPECT_EQ(annotations.activeTool(), std::nullopt);
    EXPECT_FALSE(panel.toolButton(AnnotationKind::Line)->isChecked());
}

TEST_F(DrawingCommandsTest, BadgesCountPerPictureAndTabSwitchCommitsFirst)
{
    document.endEditMode = [this] { modes.EndEditMode(); };
    document.AddCaptureTab(QStringLiteral("a"));
    document.currentImage() = document.viewBitmap().copy();
    document.AddCaptureTab(QStringLiteral("b"));
    annotations.chooseTool(AnnotationKind::Badge);
    for (int y : {20, 60, 100}) {
        modes.imaBitmapMouseDown({30, y});
        modes.imaBitmapMouseUp({30, y});
    }
    EXPECT_EQ(annotations.scene().objects.last().number, 3);
    EXPECT_EQ(annotations.nextBadgeNumber(), 4);
    document.selectTab(0); // leaving the tab draws the badges into it
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_EQ(document.viewBitmap().pixel(30 - 10, 60), Ground); // tab a is untouched
    EXPECT_EQ(annotations.nextBadgeNumber(), 1);
    document.selectTab(1);
    EXPECT_EQ(document.undoDepth(), 4);
    EXPECT_EQ(document.viewBitmap().pixel(30 - 10, 60), Red); // inside the badge, off its digit
    EXPECT_EQ(annotations.nextBadgeNumber(), 4);

    document.selectTab(0); // a badge is all tab a holds: closing it asks first
    annotations.chooseTool(AnnotationKind::Badge);
    modes.imaBitmapMouseDown({30, 20});
    modes.imaBitmapMouseUp({30, 20});
    QStringList asked;
    area.confirmDiscard = [&](const QString& question) {
        asked << question;
        return false;
    };
    EXPECT_FALSE(area.closeTabAsked());
    EXPECT_EQ(asked.size(), 1);
}

TEST_F(DrawingCommandsTest, TextComposesThroughTheInputMethod)
{
    annotations.chooseTool(AnnotationKind::Text);
    modes.imaBitmapMouseDown({5, 40});
    modes.imaBitmapMouseUp({5, 40});
    ASSERT_EQ(annotations.scene().editing, 0);
    AnnotationLayer& layer = annotations.layer();
    EXPECT_TRUE(static_cast<QWidget&>(layer).inputMethodQuery(Qt::ImEnabled).toBool());
    const QImage before = layer.composed();

    QInputMethodEvent composing(QStringLiteral("にほんご"),
                                {{QInputMethodEvent::TextFormat, 0, 4, QVariant()}});
    QApplication::sendEvent(&layer, &composing);
    EXPECT_EQ(annotations.scene().preedit, QStringLiteral("にほんご"));
    EXPECT_TRUE(annotations.scene().objects[0].text.isEmpty());
    EXPECT_NE(layer.composed(), before); // the composition is shown in place

    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("日本語"));
    QApplication::sendEvent(&layer, &committed);
    EXPECT_EQ(annotations.scene().objects[0].text, QStringLiteral("日本語"));
    EXPECT_TRUE(annotations.scene().preedit.isEmpty());
    pressKey(&layer, Qt::Key_Escape); // typing ends, the text stays editable
    EXPECT_EQ(annotations.scene().editing, -1);
    EXPECT_EQ(annotations.scene().objects.size(), 1);

    const QImage shown = layer.composed();
    modes.EndEditMode();
    EXPECT_EQ(document.undoDepth(), 2);
    EXPECT_EQ(document.viewBitmap(), shown); // what was shown is what was drawn in
}
