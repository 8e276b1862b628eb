#include "harness/VistrelProcess.h"
#include "harness/XSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <csignal>

using namespace vistrel::test;

namespace {

const QString OptionsTitle = QStringLiteral("オプション");
const QString ToolTitle = QStringLiteral("アプリケーションの指定");

// The program with a picture in view and a tool script that records what it
// was given, in a folder whose name a shell would take apart.
class ToolScene {
public:
    ToolScene()
    {
        QDir().mkpath(toolDir());
        QFile script(scriptPath());
        const QByteArray text = "#!/bin/sh\n"
                                "dir=$(dirname \"$0\")\n"
                                "[ \"$1\" = --in ] && cp \"$2\" \"$dir/picture.bmp\"\n"
                                "printf '%s\\0' \"$@\" > \"$dir/args.part\"\n"
                                "mv \"$dir/args.part\" \"$dir/args\"\n";
        if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size())
            throw std::runtime_error("cannot write the tool script");
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        m_picture = QImage(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                m_picture.setPixel(x, y, qRgb(x * 6, y * 8, 200));
        if (!m_picture.save(picturePath()))
            throw std::runtime_error("cannot write the picture");
    }

    QString tempDir() const { return m_session.tempDir(); }
    QString toolDir() const { return m_session.tempDir() + QStringLiteral("/tools $x; `y`"); }
    QString scriptPath() const { return toolDir() + QStringLiteral("/rec tool.sh"); }
    QString picturePath() const { return m_session.tempDir() + QStringLiteral("/shown.png"); }
    QString exchangePath() const { return m_vistrel.configDir() + QStringLiteral("/Cap000.bmp"); }
    const QImage& picture() const { return m_picture; }

    void writeIni(const QString& text) { m_vistrel.writeIni(text.toUtf8()); }
    // Starts the program showing the picture; its main window, focused.
    WindowId start(bool showPicture = true)
    {
        m_vistrel.start(showPicture ? QStringList{picturePath()} : QStringList{});
        const std::optional<WindowId> window = m_vistrel.waitForMainWindow();
        if (!window)
            throw std::runtime_error("no main window\n" + log());
        m_main = *window;
        activateMain();
        return m_main;
    }
    void activateMain()
    {
        m_session.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(m_main)});
    }
    void keys(const QString& combination)
    {
        m_session.xdotool({QStringLiteral("key"), combination});
    }
    void type(const QString& text, bool leadingDashes = false)
    {
        QStringList args{QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20")};
        if (leadingDashes)
            args << QStringLiteral("--"); // the text is not an option of xdotool's
        m_session.xdotool(args << text);
    }
    // The program's window with this title once it is the active window.
    bool waitForDialog(const QString& title)
    {
        return waitFor([&] {
            const QList<WindowId> windows = m_vistrel.windows(title);
            const CommandResult active = m_session.xdotool({QStringLiteral("getactivewindow")});
            return !windows.isEmpty() && active.exitCode == 0 &&
                   WindowId(active.output.trimmed().toULongLong()) == windows.front();
        });
    }
    bool waitForDialogGone(const QString& title)
    {
        return waitFor([&] { return m_vistrel.windows(title).isEmpty(); });
    }
    void openOptions()
    {
        activateMain();
        keys(QStringLiteral("alt+t"));
        keys(QStringLiteral("o"));
        if (!waitForDialog(OptionsTitle))
            throw std::runtime_error("no options dialog\n" + log());
    }
    void closeOptionsWithOk()
    {
        keys(QStringLiteral("alt+o"));
        if (!waitForDialogGone(OptionsTitle))
            throw std::runtime_error("the options dialog stayed\n" + log());
    }
    // The first tool of the Tools menu, by keyboard.
    void runFirstTool()
    {
        activateMain();
        keys(QStringLiteral("alt+t"));
        keys(QStringLiteral("Down"));
        keys(QStringLiteral("Return"));
    }
    // The arguments the script received, once it has run.
    std::optional<QStringList> recordedArguments()
    {
        const QString path = toolDir() + QStringLiteral("/args");
        if (!waitFor([&] { return QFile::exists(path); }))
            return std::nullopt;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        QStringList arguments;
        for (const QByteArray& part : file.readAll().split('\0'))
            arguments << QString::fromUtf8(part);
        arguments.removeLast(); // after the last terminator
        return arguments;
    }
    QByteArray iniAfterExit()
    {
        m_vistrel.signal(SIGTERM);
        if (!m_vistrel.waitForExit(DefaultTimeout))
            throw std::runtime_error("the program did not end\n" + log());
        return m_vistrel.readIni().replace("\r\n", "\n");
    }
    QRgb pixelInView()
    {
        const std::optional<WindowGeometry> g = m_session.geometry(m_main);
        if (!g)
            return 0;
        // Bottom middle of the image area, clear of the picture at its top left.
        const QImage grab = m_session.grab(g->client);
        return grab.isNull() ? 0 : grab.pixel(grab.width() / 2, grab.height() - 60) & 0xFFFFFF;
    }
    std::string log() const
    {
        return "log:\n" + m_vistrel.testLog().join(u'\n').toStdString() + "\noutput:\n" +
               m_vistrel.output().toStdString();
    }

private:
    XSession m_session;
    VistrelProcess m_vistrel{m_session};
    QImage m_picture;
    WindowId m_main = 0;
};

bool samePixels(const QImage& a, const QImage& b)
{
    return a.size() == b.size() &&
           a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(OptionsDialog, AToolRegisteredInTheDialogRunsOnThePictureAndGoesWhenDeleted)
{
    ToolScene scene;
    scene.writeIni(QStringLiteral("[ALL]\nWAITTIME=0\n"));
    scene.start();

    scene.openOptions();
    scene.keys(QStringLiteral("ctrl+shift+Tab")); // back round to the tools page
    scene.keys(QStringLiteral("alt+a"));
    ASSERT_TRUE(scene.waitForDialog(ToolTitle)) << scene.log();
    scene.type(QStringLiteral("Rec"));
    scene.keys(QStringLiteral("alt+f"));
    scene.type(scene.scriptPath());
    scene.keys(QStringLiteral("alt+c"));
    scene.keys(QStringLiteral("ctrl+a"));
    scene.type(QStringLiteral("--in $F --flag \"a b\""), true);
    scene.keys(QStringLiteral("alt+o"));
    ASSERT_TRUE(scene.waitForDialogGone(ToolTitle)) << scene.log();
    ASSERT_TRUE(scene.waitForDialog(OptionsTitle)) << scene.log();
    scene.closeOptionsWithOk();

    scene.runFirstTool();
    const std::optional<QStringList> arguments = scene.recordedArguments();
    ASSERT_TRUE(arguments) << "the tool did not run\n" << scene.log();
    EXPECT_EQ(*arguments, (QStringList{"--in", scene.exchangePath(), "--flag", "a b"}));
    const QImage exchanged(scene.toolDir() + QStringLiteral("/picture.bmp"));
    EXPECT_TRUE(samePixels(exchanged, scene.picture()));
    EXPECT_EQ(QFileInfo(scene.exchangePath()).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QFile::remove(scene.toolDir() + QStringLiteral("/args"));

    // Deleted, the tool leaves the menu: the first item after the timer is the hotkey list.
    scene.openOptions();
    scene.keys(QStringLiteral("ctrl+shift+Tab"));
    scene.keys(QStringLiteral("alt+d"));
    scene.closeOptionsWithOk();
    scene.runFirstTool();
    ASSERT_TRUE(scene.waitForDialog(QStringLiteral("ホットキーの設定"))) << scene.log();
    scene.keys(QStringLiteral("Escape"));
    EXPECT_FALSE(QFile::exists(scene.toolDir() + QStringLiteral("/args")));
    const QByteArray ini = scene.iniAfterExit();
    EXPECT_TRUE(ini.contains("\nTITLE1=\n")) << ini.toStdString();
    EXPECT_FALSE(QFile::exists(scene.exchangePath())) << "the picture stays after the run";
}

// With no picture shown a tool is not started on the picture an earlier run left behind.
TEST(OptionsDialog, AToolWithNoPictureShownSaysSoAndStartsNothing)
{
    ToolScene scene;
    scene.writeIni(QStringLiteral("[ALL]\nWAITTIME=0\n[TOOL]\nTITLE1=Rec\nFILE1=%1\nCOMMAND1=$F\n")
                       .arg(scene.scriptPath()));
    QFile stale(scene.exchangePath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    scene.start(false);
    scene.runFirstTool();
    ASSERT_TRUE(waitFor([&] {
        return scene.log().find("message: 対象となるビットマップがありません。") !=
               std::string::npos;
    })) << scene.log();
    EXPECT_FALSE(QFile::exists(scene.toolDir() + QStringLiteral("/args")));
    scene.keys(QStringLiteral("Return"));
    scene.iniAfterExit();
    EXPECT_FALSE(QFile::exists(scene.exchangePath()));
}

TEST(OptionsDialog, ShellSyntaxInAToolCommandRunsNothing)
{
    ToolScene scene;
    const QString marks = scene.tempDir() + QStringLiteral("/mark");
    const QString command = QStringLiteral("--in $F ; touch %1-1 $(touch %1-2) `touch %1-3` "
                                           "&& touch %1-4 | touch %1-5")
                                .arg(marks);
    scene.writeIni(QStringLiteral("[ALL]\nWAITTIME=0\n[TOOL]\nTITLE1=Evil\nFILE1=%1\nCOMMAND1=%2\n")
                       .arg(scene.scriptPath(), command));
    scene.start();
    scene.runFirstTool();
    const std::optional<QStringList> arguments = scene.recordedArguments();
    ASSERT_TRUE(arguments) << "the tool did not run\n" << scene.log();
    EXPECT_EQ(arguments->mid(0, 4), (QStringList{"--in", scene.exchangePath(), ";", "touch"}));
    EXPECT_EQ(arguments->size(), 15);
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(QFile::exists(marks + QStringLiteral("-%1").arg(i))) << i;
}

TEST(OptionsDialog, ABackgroundColourChosenInTheDialogShowsAfterOkAndIsSaved)
{
    ToolScene scene;
    scene.writeIni(QStringLiteral("[ALL]\nWAITTIME=0\n[COLOR]\nBACK=8421504\n"));
    scene.start();
    ASSERT_TRUE(waitFor([&] { return scene.pixelInView() == 0x808080; })) << scene.pixelInView();

    scene.openOptions();
    for (int page = 0; page < 3; ++page)
        scene.keys(QStringLiteral("ctrl+Tab")); // to the colours
    // "&H" also names the help button: the first press only moves the focus.
    scene.keys(QStringLiteral("alt+h"));
    scene.keys(QStringLiteral("space"));
    ASSERT_TRUE(scene.waitForDialog(QStringLiteral("色を選択"))) << scene.log();
    scene.keys(QStringLiteral("alt+h")); // the colour dialog's HTML field
    scene.keys(QStringLiteral("ctrl+a"));
    scene.type(QStringLiteral("#3366cc"));
    scene.keys(QStringLiteral("Return"));
    ASSERT_TRUE(scene.waitForDialog(OptionsTitle)) << scene.log();
    scene.closeOptionsWithOk();

    EXPECT_TRUE(waitFor([&] { return scene.pixelInView() == 0x3366cc; }))
        << std::hex << scene.pixelInView();
    const QByteArray ini = scene.iniAfterExit();
    EXPECT_TRUE(ini.contains("\nBACK=13395507\n")) << ini.toStdString();
}
