#include "app/CommandMap.h"
#include "app/OutputWiring.h"
#include "app/TfrmMain.h"
#include "edit/StatusPanels.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace vistrel;

namespace {

QImage filled(QRgb colour)
{
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The main window with its continuous-save folder in a fresh temporary folder.
class SaveCommandsTest : public testing::Test {
protected:
    void SetUp() override
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
        QDir().mkpath(platform.settingsDir);
        QFile ini(platform.settingsDir + QStringLiteral("/Vist.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[AUTOSAVE]\nDIR=" + QFile::encodeName(folder.path()) + "\n");
        ini.close();
        window = std::make_unique<TfrmMain>(platform);
    }
    void TearDown() override
    {
        window.reset();
        MessageBox::setHandler({});
    }

    void show(const QImage& picture)
    {
        window->document().currentImage() = picture;
        window->document().SetCurrentImage(ImageDocument::Mode::Reset);
    }
    void click(const char* item) { window->commands().action(item)->trigger(); }
    QString statusMessage() const { return window->status().panelText(2); }
    QStringList files() const { return QDir(folder.path()).entryList(QDir::Files); }

    QTemporaryDir folder;
    FakePlatform platform;
    std::unique_ptr<TfrmMain> window;
    QStringList messages;
};

} // namespace

TEST_F(SaveCommandsTest, StatusBarShowsTheFolderFromTheStart)
{
    EXPECT_EQ(window->status().panelText(1), QStringLiteral("連続: ") + folder.path());
}

TEST_F(SaveCommandsTest, AutoSaveWritesTheViewAndNamesTheFile)
{
    show(filled(qRgb(0, 0, 255)));
    // An edit not yet shown: the command saves what the view shows.
    window->document().currentImage() = filled(qRgb(255, 0, 0));
    click("mnuFileAutoSave");
    EXPECT_EQ(files(), QStringList{"Vist001.bmp"});
    EXPECT_EQ(statusMessage(),
              QStringLiteral("連続保存によりファイルへ出力しました。[ファイル名 = Vist001.bmp]"));
    EXPECT_EQ(QImage(folder.filePath("Vist001.bmp")).pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(window->settings().autoSaveNumber, 2);

    // The menu capture's selected action 5 clicks the same command.
    window->output().runAfterActionCommand(5);
    EXPECT_EQ(files(), (QStringList{"Vist001.bmp", "Vist002.bmp"}));
    window->output().runAfterActionCommand(6); // not built here: nothing happens
    window->output().runAfterActionCommand(0);
    EXPECT_EQ(files().size(), 2);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(SaveCommandsTest, EmptyViewIsRefusedBeforeAnything)
{
    click("mnuFileAutoSave");
    click("mnuFileSave");
    EXPECT_EQ(messages, (QStringList{"対象となるビットマップがありません。",
                                     "対象となるビットマップがありません。"}));
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(statusMessage(), QString());
}

TEST_F(SaveCommandsTest, MissingFolderClearsTheStatusMessage)
{
    show(filled(qRgb(1, 2, 3)));
    window->status().ShowStatusMessage(QStringLiteral("earlier"));
    window->settings().AUTOSAVE.DIR = folder.filePath("gone");
    click("mnuFileAutoSave");
    EXPECT_EQ(messages, QStringList{"連続保存を行う格納先フォルダが見つかりません。"});
    EXPECT_EQ(statusMessage(), QString());
    EXPECT_EQ(window->settings().autoSaveNumber, 1);
}

TEST_F(SaveCommandsTest, RequestActionsWorkOnTheCurrentImage)
{
    show(filled(qRgb(0, 0, 255)));
    window->document().currentImage() = filled(qRgb(0, 255, 0));
    window->output().PerformAfterAction(5); // a hotkey capture: the view stays as it is
    EXPECT_EQ(QImage(folder.filePath("Vist001.bmp")).pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(window->document().viewBitmap().pixel(0, 0), qRgb(0, 0, 255));
    window->output().PerformAfterAction(9); // now it becomes the displayed picture
    EXPECT_EQ(window->document().viewBitmap().pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(statusMessage(), QString());
}

TEST_F(SaveCommandsTest, SaveOptionsComeFromTheSettings)
{
    Settings& s = window->settings();
    s.SAVETYPE.JPGPS = 33;
    s.SAVETYPE.JPGPRO = true;
    s.SAVETYPE.PNGZLIB = 3;
    s.SAVETYPE.PNGINTERLACE = 1;
    const PictureSaveOptions options = window->output().saveOptions();
    EXPECT_EQ(options.jpegQuality, 33);
    EXPECT_TRUE(options.jpegProgressive);
    EXPECT_EQ(options.pngZlib, 3);
    EXPECT_EQ(options.pngInterlace, 1);
    EXPECT_GT(options.screenDepth, 0);
}

TEST_F(SaveCommandsTest, SettingsDialogFromMenuButtonAndTrayUpdatesTheFolderPanel)
{
    QTemporaryDir other;
    const auto answer = [](const QString& dir, int number, const char* button) {
        QTimer::singleShot(0, [=] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("保存設定"));
            dialog->findChild<QLineEdit*>("edtAutoDir")->setText(dir);
            dialog->findChild<QSpinBox*>("updAutoNo")->setValue(number);
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
    };
    answer(other.path(), 40, "butCancel");
    click("mnuFileSaveSet");
    EXPECT_EQ(window->settings().AUTOSAVE.DIR, folder.path());
    EXPECT_EQ(window->status().panelText(1), QStringLiteral("連続: ") + folder.path());

    answer(other.path(), 40, "butOK");
    click("mnuTraySaveSet");
    EXPECT_EQ(window->settings().AUTOSAVE.DIR, other.path());
    EXPECT_EQ(window->settings().autoSaveNumber, 40);
    EXPECT_EQ(window->status().panelText(1), QStringLiteral("連続: ") + other.path());

    show(filled(qRgb(9, 9, 9)));
    click("mnuFileAutoSave");
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files), QStringList{"Vist040.bmp"});
}
