#include "ShellTestBase.h"
#include "harness/TrayHost.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QUrl>

#include <csignal>

using namespace vistrel::test;

namespace {

class LaterStartTest : public ShellTestBase {
protected:
    QString shots() const { return program.scratch("shots"); }
    QStringList shotFiles() const { return QDir(shots()).entryList(QDir::Files); }

    void writeSettings(const QString& all)
    {
        QDir().mkpath(shots());
        program.writeIni((QStringLiteral("[ALL]\nWAITTIME=0\n") + all +
                          QStringLiteral("\n[AUTOSAVE]\nDIR=") + shots() +
                          QStringLiteral("\nSAVETYPE=10\nFILE=shot\nOVERWRITE=0\n"))
                             .toUtf8());
    }

    QString picture(const char* name, QRgb colour) const
    {
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = program.scratch(name);
        if (!image.save(path, "PNG"))
            throw std::runtime_error("cannot write a test picture");
        return path;
    }

    // Whether the window's client area comes to show a picture of this colour.
    bool shows(WindowId window, QRgb colour)
    {
        return waitFor([&] {
            const std::optional<WindowGeometry> at = session.geometry(window);
            if (!at)
                return false;
            const QImage shown = session.grab(at->client);
            int matching = 0;
            for (int y = 0; y < shown.height(); y += 2)
                for (int x = 0; x < shown.width(); x += 2)
                    matching += (shown.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
            return matching > 300 * 200 / 4 / 2;
        });
    }

    TrayHost tray{session};
};

} // namespace

TEST_F(LaterStartTest, CapturesAreCarriedOutByTheRunningCopyAndItsResultComesBack)
{
    writeSettings(QStringLiteral("ICON=1\nAPCLOSE=0\n"));
    ChildProcess& first = program.start();
    ASSERT_TRUE(tray.waitForIcon()) << program.output().toStdString();

    const ShellRun saved = program.run({QStringLiteral("/C1"), QStringLiteral("/A5")});
    EXPECT_EQ(saved.exitCode, 0) << saved.errors.toStdString();
    EXPECT_EQ(saved.errors, QString());
    EXPECT_EQ(shotFiles(), QStringList{QStringLiteral("shot001.png")});

    const ShellRun missing =
        program.run({QStringLiteral("/C1"), QStringLiteral("/A5;") + shots() + "/none"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.errors,
              QStringLiteral("vistrel: 連続保存を行う格納先フォルダが見つかりません。\n"));

    const ShellRun help = program.run({QStringLiteral("--help")});
    for (int code = 1; code <= 8; ++code) {
        if (help.output.contains(QStringLiteral("  /A%1 ").arg(code)))
            continue;
        const ShellRun refused = program.run({QStringLiteral("/C1,/A%1").arg(code)});
        EXPECT_EQ(refused.exitCode, 1) << code;
        EXPECT_TRUE(refused.errors.contains(QStringLiteral("使用できません")))
            << refused.errors.toStdString();
    }
    EXPECT_TRUE(program.mainWindows().isEmpty()) << "a window or a message box appeared";
    EXPECT_EQ(shotFiles().size(), 1);

    const ShellRun plain = program.run({});
    EXPECT_EQ(plain.exitCode, 0) << plain.errors.toStdString();
    EXPECT_TRUE(program.waitForMainWindow(first.pid())) << "a plain start did not raise the window";
    EXPECT_EQ(program.mainWindows().size(), 1);
    EXPECT_EQ(tray.icons().size(), 1);
    EXPECT_TRUE(first.isRunning());
    EXPECT_TRUE(program.testLog().filter(QStringLiteral("error: ")).isEmpty());
}

TEST_F(LaterStartTest, HandedContinuousSaveFieldsHoldForTheirRequestOnly)
{
    QDir().mkpath(shots());
    const QString caller = program.scratch("caller");
    QDir().mkpath(caller + "/relative");
    program.writeIni((QStringLiteral("[ALL]\nWAITTIME=0\nICON=1\nAPCLOSE=0\n[AUTOSAVE]\nDIR=") +
                      shots() + QStringLiteral("\nSAVETYPE=10\nFILE=shot\nOVERWRITE=1\n"))
                         .toUtf8());
    ChildProcess& first = program.start();
    ASSERT_TRUE(tray.waitForIcon()) << program.output().toStdString();

    // As the usual desktop binding of the Print key runs it.
    const ShellRun bare = program.run({QStringLiteral("/C1"), QStringLiteral("/A5")});
    EXPECT_EQ(bare.exitCode, 0) << bare.errors.toStdString();
    // A relative folder is the caller's, not the running copy's.
    const ShellRun relative =
        program.run({QStringLiteral("/C1"), QStringLiteral("/A5;relative;2;rel")}, caller);
    EXPECT_EQ(relative.exitCode, 0) << relative.errors.toStdString();
    EXPECT_EQ(QDir(caller + "/relative").entryList(QDir::Files).size(), 1);

    first.signal(SIGTERM); // ends the run as a log-off would: the settings are written
    ASSERT_TRUE(first.waitForExit(std::chrono::seconds(20)));
    EXPECT_EQ(program.iniValue("AUTOSAVE", "OVERWRITE"), QStringLiteral("1"));
    EXPECT_EQ(program.iniValue("AUTOSAVE", "DIR"), shots());
    EXPECT_EQ(program.iniValue("AUTOSAVE", "FILE"), QStringLiteral("shot"));
    EXPECT_EQ(program.iniValue("AUTOSAVE", "SAVETYPE"), QStringLiteral("10"));
}

TEST_F(LaterStartTest, ResidentStartsOverrideIsTakenBackButChangesMadeMeanwhileStay)
{
    QDir().mkpath(shots());
    const QString other = program.scratch("other");
    const QString listed = program.scratch("listed");
    QDir().mkpath(other);
    QDir().mkpath(listed);
    program.writeIni((QStringLiteral("[ALL]\nWAITTIME=0\nICON=0\nAPCLOSE=0\n[MAIN]\nFILELIST=1\n"
                                     "[FILELIST]\nAPEND=0\nINITDIR=") +
                      listed + QStringLiteral("\n[AUTOSAVE]\nDIR=") + shots() +
                      QStringLiteral("\nSAVETYPE=10\nFILE=shot\nOVERWRITE=1\n"))
                         .toUtf8());
    ChildProcess& first =
        program.start({QStringLiteral("/C1"), QStringLiteral("/A5;") + other + QStringLiteral(";2"),
                       QStringLiteral("/U")});
    const std::optional<WindowId> window = program.waitForMainWindow(first.pid());
    ASSERT_TRUE(window) << program.output().toStdString();
    EXPECT_EQ(QDir(other).entryList(QDir::Files).size(), 1);
    // File > "現在のフォルダを連続格納先とする": the user's own choice of folder.
    ASSERT_TRUE(chooseFromMainMenu(first.pid(), *window, "f", "r"));

    first.signal(SIGTERM);
    ASSERT_TRUE(first.waitForExit(std::chrono::seconds(20)));
    EXPECT_EQ(program.iniValue("AUTOSAVE", "DIR"), listed);
    EXPECT_EQ(program.iniValue("AUTOSAVE", "SAVETYPE"), QStringLiteral("10"));
    EXPECT_EQ(program.iniValue("AUTOSAVE", "OVERWRITE"), QStringLiteral("1"));
}

TEST_F(LaterStartTest, MissingStartFolderIsReportedAfterAResidentStartsCapture)
{
    QDir().mkpath(shots());
    // The wait before the grab lets the events of the starting program through.
    program.writeIni((QStringLiteral("[ALL]\nWAITTIME=300\nICON=0\nAPCLOSE=0\n[MAIN]\n"
                                     "FILELIST=1\n[FILELIST]\nAPEND=0\nINITDIR=/no/such/folder\n"
                                     "[AUTOSAVE]\nSAVETYPE=10\nFILE=shot\nDIR=") +
                      shots() + u'\n')
                         .toUtf8());
    ChildProcess& first =
        program.start({QStringLiteral("/C1"), QStringLiteral("/A5"), QStringLiteral("/U")});
    ASSERT_TRUE(waitFor([&] { return shotFiles().size() == 1; })) << "the capture waited for a box";
    EXPECT_TRUE(waitFor([&] {
        return !program.testLog()
                    .filter(QStringLiteral("初期表示フォルダが存在しません"))
                    .isEmpty();
    }));
    EXPECT_TRUE(first.isRunning());
}

TEST_F(LaterStartTest, PicturesNamedOnTheCommandLineOpenInTheView)
{
    writeSettings(QStringLiteral("ICON=1\n")); // a picture to look at shows the window anyway
    const QRgb green = qRgb(0x12, 0xab, 0x34);
    const QRgb red = qRgb(0xc0, 0x20, 0x30);
    const QString greenPicture = picture("green.png", green);
    const QString redPicture = picture("red picture.png", red);

    ChildProcess& first = program.start({greenPicture});
    const std::optional<WindowId> window = program.waitForMainWindow(first.pid());
    ASSERT_TRUE(window) << program.output().toStdString();
    EXPECT_TRUE(shows(*window, green)) << "the picture is not in view";

    // As a file manager passes it: a URL, to the copy that runs already.
    const ShellRun later = program.run({QUrl::fromLocalFile(redPicture).toString()});
    EXPECT_EQ(later.exitCode, 0) << later.errors.toStdString();
    EXPECT_TRUE(shows(*window, red)) << "the later start's picture is not in view";
    EXPECT_EQ(program.mainWindows().size(), 1);

    // A picture that cannot be opened: the caller learns it at once, the box waits for
    // the user in the running copy.
    const QString broken = program.scratch("broken.png");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("\x01sno picture") > 0);
    file.close();
    const ShellRun failed = program.run({broken});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.errors.contains(broken)) << failed.errors.toStdString();
    EXPECT_TRUE(waitFor([&] { return !program.testLog().filter(broken).isEmpty(); }))
        << "no box in the running copy";
}

TEST_F(LaterStartTest, CaptureHandedOverWhileADialogIsOpenIsRefusedAsBusy)
{
    writeSettings(QStringLiteral("ICON=1\nAPCLOSE=0\n"));
    const QRgb green = qRgb(0x12, 0xab, 0x34);
    ChildProcess& first = program.start({picture("green.png", green)});
    const std::optional<WindowId> window = program.waitForMainWindow(first.pid());
    ASSERT_TRUE(window) << program.output().toStdString();
    ASSERT_TRUE(chooseFromMainMenu(first.pid(), *window, "e", "s"));
    const QString sizeDialogTitle = QStringLiteral("イメージサイズ");
    const std::optional<WindowId> sizeDialog = session.waitForWindow(sizeDialogTitle, first.pid());
    ASSERT_TRUE(sizeDialog);

    const ShellRun refused = program.run({QStringLiteral("/C1"), QStringLiteral("/A5")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.errors,
              QStringLiteral("vistrel: ダイアログを開いているため、要求を実行できません。\n"));
    EXPECT_EQ(shotFiles(), QStringList{});
    EXPECT_FALSE(program.mainWindows(first.pid()).isEmpty()) << "the windows were hidden";

    probe.requestClose(*sizeDialog);
    ASSERT_TRUE(waitFor([&] { return session.findWindows(sizeDialogTitle).isEmpty(); }));
    const ShellRun later = program.run({QStringLiteral("/C1"), QStringLiteral("/A5")});
    EXPECT_EQ(later.exitCode, 0) << later.errors.toStdString();
    EXPECT_EQ(shotFiles().size(), 1);
}

TEST_F(LaterStartTest, UnknownTokensAndSaveTypesAreRefusedAndTypeNamesAreTaken)
{
    writeSettings(QStringLiteral("APCLOSE=1"));
    for (const QStringList& args : {QStringList{"/C9", "/A5"}, QStringList{"/C1", "/A5", "/X"},
                                    QStringList{"/C1", "/A5;" + shots() + ";TIFF"}}) {
        const ShellRun refused = program.run(args);
        EXPECT_EQ(refused.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(refused.errors.startsWith(QStringLiteral("vistrel: ")) &&
                    refused.errors.contains(args.last()))
            << refused.errors.toStdString();
        EXPECT_TRUE(refused.errors.contains(QStringLiteral("使い方: vistrel")));
    }
    EXPECT_TRUE(program.mainWindows().isEmpty()) << "a refused start opened the program";

    const ShellRun alone = program.run({QStringLiteral("/C1"), "/A5;" + shots() + ";JPG"});
    EXPECT_EQ(alone.exitCode, 0) << alone.errors.toStdString();
    ChildProcess& first = program.start();
    ASSERT_TRUE(tray.waitForIcon()) << program.output().toStdString();
    const ShellRun handed = program.run({QStringLiteral("/C1"), "/A5;" + shots() + ";gif"});
    EXPECT_EQ(handed.exitCode, 0) << handed.errors.toStdString();
    const QStringList files = shotFiles();
    ASSERT_EQ(files.size(), 2) << files.join(u' ').toStdString();
    EXPECT_TRUE(files[0].endsWith(QStringLiteral(".gif")) &&
                files[1].endsWith(QStringLiteral(".jpg")))
        << files.join(u' ').toStdString();
    QFile jpeg(QDir(shots()).filePath(files[1]));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(jpeg.read(2) == QByteArray("\xff\xd8")) << "not a JPEG";
    const ShellRun refused = program.run({QStringLiteral("/C3"), QStringLiteral("/A5;;JPG2")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(first.isRunning());
}

TEST_F(LaterStartTest, ACopyOnAnotherDisplayRunsThereInsteadOfHandingOver)
{
    writeSettings(QStringLiteral("APCLOSE=1"));
    ChildProcess& first = program.start();
    ASSERT_TRUE(tray.waitForIcon()) << program.output().toStdString();
    // Without XDG_RUNTIME_DIR (cron, ssh) a start on the same display still finds it.
    const ShellRun handed = program.run({}, {}, QStringLiteral("XDG_RUNTIME_DIR"));
    EXPECT_EQ(handed.exitCode, 0) << "a second full copy started: " << handed.errors.toStdString();
    EXPECT_EQ(program.mainWindows().size(), 1);
    EXPECT_EQ(tray.icons().size(), 1);

    XSession other;
    ChildProcess& second = program.startOn(other);
    EXPECT_TRUE(waitFor([&] { return !other.findWindows(QStringLiteral("Vistrel")).isEmpty(); }))
        << "the start on the other display handed over: " << program.output().toStdString();
    EXPECT_TRUE(second.isRunning());
    EXPECT_TRUE(first.isRunning());
}
