#include "app/BrowserWiring.h"
#include "app/CommandMap.h"
#include "app/TfrmMain.h"
#include "browser/FileListModel.h"
#include "browser/FileListPane.h"
#include "edit/StatusPanels.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>

using namespace vistrel;

namespace {

class FilePaneWidgetTest : public testing::Test {
protected:
    FilePaneWidgetTest()
    {
        QDir().mkpath(platform.settingsDir);
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
        MessageBox::setHandler(
            [this](const QString&, const QString& text) { messages.append(text); });
    }
    ~FilePaneWidgetTest() override
    {
        MessageBox::setHandler({});
        qunsetenv("XDG_DATA_HOME");
    }

    void writePicture(const QString& name, int width)
    {
        QImage image(width, 10, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(folder.filePath(name), "BMP"));
    }

    TfrmMain& open(const QByteArray& extra, QString start = {})
    {
        QFile ini(platform.settingsDir + QStringLiteral("/Vist.ini"));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        start = start.isEmpty() ? folder.path() : start;
        ini.write("[FILELIST]\nINITDIR=" + QFile::encodeName(start) + "\n" + extra);
        ini.close();
        window = std::make_unique<TfrmMain>(platform);
        window->show();
        return *window;
    }

    FileListPane& pane() { return window->browser().pane(); }
    QStringList listed()
    {
        QStringList names;
        for (const ListedFile& file : pane().model().files())
            names << file.name;
        return names;
    }
    QAction* action(const char* name) { return window->commands().action(name); }

    QTemporaryDir home;
    QTemporaryDir folder;
    FakePlatform platform;
    std::unique_ptr<TfrmMain> window;
    QStringList messages;
};

} // namespace

// The details view: the columns' texts, header clicks that sort, a selection that
// opens the picture as an undoable edit, and the pane's state written back at exit.
TEST_F(FilePaneWidgetTest, DetailsViewSortsByHeaderClicksAndOpensTheSelection)
{
    writePicture(QStringLiteral("b.bmp"), 400); // 12KB
    writePicture(QStringLiteral("a.bmp"), 100); // 3KB
    writePicture(QStringLiteral("c.bmp"), 30);  // 1KB
    open("[MAIN]\nFILELIST=1\nVIEW=4\n[SCREEN]\nSPPLIT=220\n");
    ASSERT_EQ(listed(), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(window->status().panelText(2), "3個のファイルが見つかりました");
    EXPECT_TRUE(action("mnuHyojiReport")->isChecked());
    EXPECT_TRUE(action("mnuPopReport")->isChecked());
    auto* report = qobject_cast<QTreeView*>(pane().currentView());
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(pane().model().index(1, 1).data().toString(), "12KB");

    QHeaderView* header = report->header();
    const auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    clickHeader(1);
    EXPECT_EQ(listed(), (QStringList{"c.bmp", "a.bmp", "b.bmp"}));
    clickHeader(0);
    EXPECT_EQ(listed(), (QStringList{"c.bmp", "b.bmp", "a.bmp"}));

    report->selectionModel()->select(pane().model().index(1, 0),
                                     QItemSelectionModel::ClearAndSelect |
                                         QItemSelectionModel::Rows);
    EXPECT_EQ(window->document().currentImage().width(), 400);
    EXPECT_EQ(window->document().undoDepth(), 1);

    action("mnuHyojiList")->trigger();
    window->mnuFileExitClick();
    QFile ini(platform.settingsDir + QStringLiteral("/Vist.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("VIEW=3")) << text.constData();
    EXPECT_TRUE(text.contains("FILELIST=1")) << text.constData();
    EXPECT_TRUE(text.contains("APENDDIR=" + QFile::encodeName(folder.path())));
}

// Delete and the continuous-save folder command do nothing while the pane is hidden;
// shown, Del asks once for all the selected files and moves them to the trash.
TEST_F(FilePaneWidgetTest, DeleteAndFolderCommandsNeedThePaneAndUseTheTrash)
{
    for (const char* name : {"x.bmp", "y.bmp", "z.bmp"})
        writePicture(QString::fromLatin1(name), 20);
    TfrmMain& main = open("[MAIN]\nFILELIST=0\n[AUTOSAVE]\nDIR=/nowhere\n");
    QStringList asked;
    main.browser().confirmTrash = [&](const QStringList& paths) {
        asked = paths;
        return true;
    };
    pane().currentView()->selectAll();
    action("mnuFileDel")->trigger();
    action("mnuFileAtdirSet")->trigger();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(main.settings().AUTOSAVE.DIR, "/nowhere");

    action("mnuHyojiFileLst")->trigger();
    pane().currentView()->clearSelection();
    action("mnuFileDel")->trigger();
    EXPECT_EQ(messages, QStringList{"削除するファイル名が選択されていません。"});

    action("mnuFileAtdirSet")->trigger();
    EXPECT_EQ(main.settings().AUTOSAVE.DIR, folder.path());
    EXPECT_EQ(main.status().panelText(1), "連続: " + folder.path());

    pane().currentView()->selectAll();
    action("mnuFileDel")->trigger();
    EXPECT_EQ(asked.size(), 3);
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(QDir(home.filePath(QStringLiteral("data/Trash/files"))).entryList(QDir::Files),
              (QStringList{"x.bmp", "y.bmp", "z.bmp"}));
}

TEST_F(FilePaneWidgetTest, MissingStartFolderIsReported)
{
    open("[MAIN]\nFILELIST=1\n", QStringLiteral("/no/such/folder"));
    QTest::qWait(50);
    EXPECT_TRUE(messages.isEmpty()) << "a command-line capture may still run before the window";
    window->browser().windowRunStarted();
    QTest::qWait(50);
    EXPECT_EQ(messages,
              QStringList{"[オプション設定]-[ファイルリスト]の初期表示フォルダが存在しません"});
    EXPECT_EQ(pane().folder(), QDir::homePath());
}

// Walking the list onto a broken file says so in the status bar, in Japanese, and the
// walk goes on; a typed folder is shown (or refused in the status bar); the large icons
// lay out in rows with room for the names after the list style.
TEST_F(FilePaneWidgetTest, BrokenFilesTypedFoldersAndIconLayout)
{
    writePicture(QStringLiteral("a.bmp"), 30);
    QFile broken(folder.filePath(QStringLiteral("b.jpg")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray("\x01\x73 not a picture at all").repeated(8));
    broken.close();
    writePicture(QStringLiteral("c.bmp"), 50);
    open("[MAIN]\nFILELIST=1\nVIEW=4\n");
    QAbstractItemView* view = pane().currentView();
    const auto select = [&](int row) {
        view->selectionModel()->select(pane().model().index(row, 0),
                                       QItemSelectionModel::ClearAndSelect |
                                           QItemSelectionModel::Rows);
    };
    select(0);
    select(1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'|').toStdString();
    const QString said = window->status().panelText(2);
    EXPECT_TRUE(said.startsWith("b.jpg を開けません")) << said.toStdString();
    EXPECT_TRUE(said.contains("JPEG ファイルではありません")) << said.toStdString();
    EXPECT_EQ(window->document().currentImage().width(), 30);
    select(2);
    EXPECT_EQ(window->document().currentImage().width(), 50);

    QDir(folder.path()).mkdir(QStringLiteral("sub"));
    auto* places = pane().findChild<QComboBox*>(QStringLiteral("DrvCbo"));
    ASSERT_NE(places, nullptr);
    ASSERT_TRUE(places->isEditable());
    places->setEditText(folder.filePath(QStringLiteral("sub")));
    QTest::keyClick(places->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(pane().folder(), folder.filePath(QStringLiteral("sub")));
    places->setEditText(QStringLiteral("/no/such/folder"));
    QTest::keyClick(places->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(pane().folder(), folder.filePath(QStringLiteral("sub")));
    EXPECT_EQ(window->status().panelText(2), "フォルダ /no/such/folder が見つかりません。");
    EXPECT_TRUE(messages.isEmpty());

    action("mnuHyojiList")->trigger();
    action("mnuHyojiBIcon")->trigger();
    auto* icons = qobject_cast<QListView*>(pane().currentView());
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(icons->flow(), QListView::LeftToRight);
    EXPECT_TRUE(icons->isWrapping());
    EXPECT_GE(icons->gridSize().height(),
              icons->iconSize().height() + 2 * icons->fontMetrics().lineSpacing());
}

// Files another program adds, rewrites, renames and removes reach the list name by
// name; the selected file stays selected and is not opened again.
TEST_F(FilePaneWidgetTest, ChangesOnDiskArriveNameByName)
{
    writePicture(QStringLiteral("a.bmp"), 30);
    writePicture(QStringLiteral("m.bmp"), 40);
    open("[MAIN]\nFILELIST=1\nVIEW=4\n");
    pane().currentView()->selectionModel()->select(pane().model().index(1, 0),
                                                   QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    ASSERT_EQ(window->document().undoDepth(), 1);

    writePicture(QStringLiteral("b.bmp"), 20);
    writePicture(QStringLiteral("m.bmp"), 400);
    ASSERT_TRUE(QFile::rename(folder.filePath(QStringLiteral("a.bmp")),
                              folder.filePath(QStringLiteral("z.bmp"))));
    QTRY_COMPARE(listed(), (QStringList{"b.bmp", "m.bmp", "z.bmp"}));
    QTRY_COMPARE(pane().model().index(1, 1).data().toString(), QStringLiteral("12KB"));
    EXPECT_EQ(pane().selectedPaths(), QStringList{folder.filePath(QStringLiteral("m.bmp"))});
    EXPECT_EQ(window->document().undoDepth(), 1);
    QFile::remove(folder.filePath(QStringLiteral("b.bmp")));
    QTRY_COMPARE(listed(), (QStringList{"m.bmp", "z.bmp"}));
}

// A folder of thousands of files is read in the background: the window goes on, the
// count follows, and a file added meanwhile is in the list too.
TEST_F(FilePaneWidgetTest, LargeFolderIsReadInTheBackground)
{
    for (int i = 0; i < 5001; ++i) {
        QFile file(folder.filePath(QStringLiteral("s%1.bmp").arg(i, 4, 10, QLatin1Char('0'))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    open("[MAIN]\nFILELIST=1\nVIEW=4\n");
    EXPECT_TRUE(pane().model().loading());
    EXPECT_EQ(window->status().panelText(2), "ファイルの一覧を読み込んでいます...");
    writePicture(QStringLiteral("new.bmp"), 20);
    QTRY_COMPARE_WITH_TIMEOUT(pane().fileCount(), 5002, 20000);
    EXPECT_EQ(window->status().panelText(2), "5002個のファイルが見つかりました");
    EXPECT_EQ(listed().front(), "new.bmp");
}
