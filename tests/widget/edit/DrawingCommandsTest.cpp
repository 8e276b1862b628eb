#include "EditRig.h"
#include "edit/ImageArea.h"
#include "edit/ImageDocument.h"
#include "edit/ResamplePicture.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "edit/filters/FilterCommands.h"
#include "edit/modes/EditModes.h"
#include "edit/modes/EditSurface.h"
#include "edit/shapes/ShapeTools.h"
#include "edit/shapes/TDrawPanel.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"

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

    TDrawPanel panel;
    ShapeTools shapes{document, status, settings, modes, panel};
    FilterCommands filters{document, status, nullptr, {}};
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
