#include "edit/stamps/StampTools.h"
#include "EditRig.h"
#include "edit/ImageArea.h"
#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "edit/modes/EditModes.h"
#include "edit/modes/EditSurface.h"
#include "edit/modes/RubberBand.h"
#include "edit/stamps/CursorGrid.h"
#include "edit/stamps/StampKernels.h"
#include "edit/stamps/TfrmIcdsp.h"
#include "edit/stamps/TfrmIcoEdt.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"

#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, y * 2, 77));
    return image;
}

QString writeIcon(const QTemporaryDir& dir, const QString& name, QColor colour)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, "ico"));
    return path;
}

class StampToolsTest : public testing::Test, protected test::EditRig<test::NoWizard> {
protected:
    StampToolsTest() {}

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton)
    {
        QLabel* view = area.imaBitmap();
        const QPoint local = at + surface.origin();
        if (type == QEvent::MouseMove)
            QTest::mouseMove(view, local);
        else
            QTest::mouseRelease(view, button, {}, local);
    }

    FakePlatform platform;
    StampTools stamps{document, status, settings, modes, surface, platform};
};

} // namespace

TEST_F(StampToolsTest, CursorStampedOnLeftReleaseAsOneUndoStepAndRightReleaseChangesNothing)
{
    stamps.mnuCur1Click(0);
    EXPECT_EQ(messages, QStringList{QStringLiteral("対象となるビットマップがありません。")});
    EXPECT_EQ(modes.mode(), ModeNone);

    const QImage picture = pattern(80, 60);
    document.currentImage() = picture;
    document.SetCurrentImage(ImageDocument::Mode::Reset);
    area.show();
    const int depth = document.undoDepth();

    stamps.mnuCur1Click(3);
    ASSERT_EQ(modes.mode(), ModeStamp);
    mouse(QEvent::MouseMove, {70, 20});
    EXPECT_TRUE(surface.rubberBand().bandShown());
    EXPECT_EQ(
        status.panelText(2),
        QStringLiteral("[現在座標 : 70 × 20] カーソルの埋め込み位置でクリックしてください..."));
    mouse(QEvent::MouseButtonRelease, {70, 20}, Qt::RightButton);
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_FALSE(surface.rubberBand().bandShown());
    EXPECT_EQ(document.viewBitmap(), picture);
    EXPECT_EQ(document.undoDepth(), depth);

    stamps.mnuCur1Click(0);
    mouse(QEvent::MouseMove, {10, 12});
    mouse(QEvent::MouseButtonRelease, {10, 12}, Qt::LeftButton);
    QImage expected = picture;
    DrawCursorImage({10, 12}, expected, stamps.cursorImages().at(0));
    EXPECT_EQ(document.viewBitmap().convertToFormat(QImage::Format_RGB32), expected);
    EXPECT_EQ(document.undoDepth(), depth + 1);
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_TRUE(status.panelText(2).isEmpty());

    document.mnuEditUndoClick();
    EXPECT_EQ(document.viewBitmap().convertToFormat(QImage::Format_RGB32), picture);
    document.mnuEditRedoClick();
    EXPECT_EQ(document.viewBitmap().convertToFormat(QImage::Format_RGB32), expected);
    document.mnuEditUndoClick();

    stamps.mnuCur1Click(1);
    mouse(QEvent::MouseMove, {5, 5});
    QTest::keyClick(area.ScrBoxMain(), Qt::Key_Escape);
    EXPECT_EQ(modes.mode(), ModeNone);
    EXPECT_FALSE(surface.rubberBand().bandShown());
}

TEST_F(StampToolsTest, RegisteredIconIsPickedAndAFileFromTheDialogRemembersItsFolder)
{
    document.currentImage() = pattern(40, 40);
    document.SetCurrentImage(ImageDocument::Mode::Reset);
    QTemporaryDir icons;
    settings.ICONFILE.FILELST[1] = writeIcon(icons, QStringLiteral("green.ico"), Qt::green);
    stamps.pickIcon = [] { return 1; };
    stamps.mnuIconTouPasteClick();
    ASSERT_EQ(modes.mode(), ModeStamp);
    EXPECT_EQ(stamps.cursorImage().pixel(4, 4), qRgb(0, 255, 0));

    QString askedIn;
    stamps.askStampFile = [&](const QString& start) {
        askedIn = start;
        return writeIcon(icons, QStringLiteral("blue.ICO"), Qt::blue);
    };
    settings.MAIN.CURDIR = QStringLiteral("/last/folder");
    stamps.mnuIconFlPasteClick();
    EXPECT_EQ(askedIn, QStringLiteral("/last/folder"));
    EXPECT_EQ(settings.MAIN.CURDIR, icons.path());
    EXPECT_EQ(stamps.cursorImage().pixel(4, 4), qRgb(0, 0, 255));
}

TEST(CursorGridTest, TwelveCellsInThreeColumnsOfFourRunTheirItems)
{
    QMenu menu;
    menu.setObjectName(QStringLiteral("cursors"));
    QList<int> ran;
    QList<QImage> images;
    for (int tag = 0; tag < 12; ++tag) {
        auto* item = menu.addAction(QString());
        item->setData(tag);
        QObject::connect(item, &QAction::triggered, [&ran, tag] { ran << tag; });
        images << BuiltInCursorImage(StandardCursor(tag));
    }
    menu.actions().at(5)->setEnabled(false);
    InstallCursorGrid(menu, images);

    ASSERT_EQ(menu.actions().size(), 1);
    auto* body = qobject_cast<QWidgetAction*>(menu.actions().first());
    ASSERT_NE(body, nullptr);
    menu.popup({0, 0});
    auto* grid = qobject_cast<CursorGrid*>(body->defaultWidget());
    ASSERT_NE(grid, nullptr);
    for (int index = 0; index < 12; ++index) {
        QToolButton* cell = grid->cell(index);
        EXPECT_EQ(cell->size(), QSize(34, 34));
        EXPECT_EQ(cell->pos(), grid->cell(0)->pos() + QPoint(index / 4 * 34, index % 4 * 34));
        EXPECT_FALSE(cell->icon().isNull());
    }
    EXPECT_FALSE(grid->cell(5)->isEnabled());
    QTest::mouseClick(grid->cell(6), Qt::LeftButton);
    EXPECT_EQ(ran, QList<int>{6});

    // Down to the fourth, right to the next column, Enter runs it.
    menu.popup({0, 0});
    for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Right})
        QTest::keyClick(&menu, Qt::Key(key));
    EXPECT_EQ(grid->current(), 7);
    QTest::keyClick(&menu, Qt::Key_Return);
    EXPECT_EQ(ran, (QList<int>{6, 7}));
}

TEST(IconDialogsTest, PickerReportsMissingFilesAndRegistrationKeepsItsRules)
{
    QStringList messages;
    MessageBox::setHandler([&](const QString&, const QString& text) { messages << text; });
    QTemporaryDir icons;
    IconFileSlots slots;
    slots[0] = writeIcon(icons, QStringLiteral("red.ico"), Qt::red);
    slots[2] = icons.filePath(QStringLiteral("gone.ico"));
    QTimer::singleShot(0, [] {
        auto* picker = qobject_cast<TfrmIcdsp*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        QTest::mouseDClick(picker, Qt::LeftButton, {}, {2 * 35 + 10, 10}); // empty: stays
        QTest::mouseDClick(picker, Qt::LeftButton, {}, {10, 10});
    });
    EXPECT_EQ(PickIcon(nullptr, slots), 0);
    EXPECT_EQ(messages, QStringList{QStringLiteral("指定したイメージファイルが見つかりません。\n"
                                                   "ファイル名:") +
                                    slots[2]});

    messages.clear();
    const QString recased = QFileInfo(slots[0]).absolutePath().toUpper() + "/red.ico";
    QStringList answers{slots[0], recased, slots[0]};
    TfrmIcoEdt dialog(
        {}, [&] { return answers.takeFirst(); }, nullptr);
    dialog.butAddClick();
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblIcoFile"))->text(),
              QStringLiteral("red.ico"));
    dialog.butAddClick(); // the same file under a differently cased path is accepted
    dialog.butAddClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("指定したファイルは既に登録されています。")});
    dialog.moveSelection(-1);
    dialog.moveSelection(-1); // nothing at the top
    EXPECT_EQ(dialog.list(), (QStringList{recased, slots[0]}));
    MessageBox::setHandler({});
}
