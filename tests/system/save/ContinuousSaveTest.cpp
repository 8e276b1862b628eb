#include "harness/VistrelProcess.h"
#include "harness/Wait.h"
#include "harness/XSession.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vistrel::test;

namespace {

const QString Completed = QStringLiteral("status: 画面キャプチャが正常に完了しました");

QString savedLine(const QString& name)
{
    return QStringLiteral("status: 連続保存によりファイルへ出力しました。[ファイル名 = ") + name +
           QLatin1Char(']');
}

// The program with "連続して保存する" as its after-capture action and the given folder.
class SaveScene {
public:
    explicit SaveScene(const QString& autoSaveDir)
    {
        m_vistrel.writeIni("[ALL]\nWAITTIME=300\n[MAIN]\nAFTERACTION=5\n[AUTOSAVE]\nDIR=" +
                           QFile::encodeName(autoSaveDir) +
                           "\n[SCREEN]\nLEFT=40\nTOP=40\nWIDTH=650\nHEIGHT=400\n");
        m_vistrel.start();
        const auto window = m_vistrel.waitForMainWindow();
        if (!window)
            throw std::runtime_error("no main window; output:\n" +
                                     m_vistrel.output().toStdString());
        m_mainWindow = *window;
    }

    VistrelProcess& vistrel() { return m_vistrel; }

    // Capture menu, full screen, as the user would pick it.
    void captureFullScreen()
    {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                 QString::number(m_mainWindow)});
        xdotool({QStringLiteral("key"), QStringLiteral("alt+c")});
        xdotool({QStringLiteral("key"), QStringLiteral("f")});
    }
    // Answers the message box that is up beside the main window with its OK key.
    bool closeMessageBox()
    {
        WindowId box = 0;
        const bool shown = waitFor([&] {
            for (const WindowId window : m_vistrel.windows())
                if (window != m_mainWindow)
                    box = window;
            return box != 0;
        });
        if (!shown)
            return false;
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(box)});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        return true;
    }

    bool waitForLine(const QString& line, int count = 1)
    {
        return waitFor([&] { return m_vistrel.testLog().count(line) >= count; });
    }
    std::string log() const { return m_vistrel.testLog().join(u'\n').toStdString(); }

private:
    void xdotool(const QStringList& args)
    {
        if (m_session.xdotool(args).exitCode != 0)
            throw std::runtime_error("xdotool " + args.join(u' ').toStdString() + " failed");
    }

    XSession m_session;
    VistrelProcess m_vistrel{m_session};
    WindowId m_mainWindow = 0;
};

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

// A partial file a killed run left in the folder is gone once the program has started.
TEST(ContinuousSaveAfterCapture, WritesNumberedFilesAndNamesThemInTheStatusBar)
{
    QTemporaryDir folder;
    QFile leftover(folder.filePath(QStringLiteral(".vistrel-Ab12Cd34.part")));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write("half a picture");
    ASSERT_TRUE(leftover.flush());
    ASSERT_TRUE(leftover.setFileTime(QDateTime::currentDateTime().addSecs(-600),
                                     QFileDevice::FileModificationTime));
    leftover.close();
    SaveScene scene(folder.path());
    EXPECT_TRUE(waitFor([&] { return filesIn(folder.path()).isEmpty(); }))
        << filesIn(folder.path()).join(u' ').toStdString();

    scene.captureFullScreen();
    ASSERT_TRUE(scene.waitForLine(savedLine(QStringLiteral("Vist001.bmp")))) << scene.log();
    EXPECT_EQ(filesIn(folder.path()), QStringList{"Vist001.bmp"});
    const QImage picture(folder.filePath(QStringLiteral("Vist001.bmp")), "BMP");
    EXPECT_EQ(picture.size(), QSize(XSession::ScreenWidth, XSession::ScreenHeight));

    scene.captureFullScreen();
    ASSERT_TRUE(scene.waitForLine(savedLine(QStringLiteral("Vist002.bmp")))) << scene.log();
    EXPECT_EQ(filesIn(folder.path()), (QStringList{"Vist001.bmp", "Vist002.bmp"}));
    EXPECT_EQ(scene.vistrel().testLog().count(Completed), 2) << scene.log();
}

TEST(ContinuousSaveAfterCapture, MissingFolderShowsTheMessageAndWritesNothing)
{
    QTemporaryDir parent;
    const QString missing = parent.filePath(QStringLiteral("gone"));
    SaveScene scene(missing);

    scene.captureFullScreen();
    ASSERT_TRUE(scene.waitForLine(
        QStringLiteral("message: 連続保存を行う格納先フォルダが見つかりません。")))
        << scene.log();
    // Closing the message box ends the action with an empty status message.
    ASSERT_TRUE(scene.closeMessageBox()) << scene.log();
    ASSERT_TRUE(waitFor([&] {
        const QStringList log = scene.vistrel().testLog();
        return !log.isEmpty() && log.last() == QStringLiteral("status: ");
    })) << scene.log();
    EXPECT_TRUE(filesIn(parent.path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(scene.vistrel().testLog().count(
                  QStringLiteral("message: 連続保存を行う格納先フォルダが見つかりません。")),
              1);
}
