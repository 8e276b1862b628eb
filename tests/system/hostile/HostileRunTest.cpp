#include "capture/CaptureScene.h"
#include "harness/Wait.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using namespace vistrel::test;

namespace {

using namespace std::chrono_literals;

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

std::string logOf(VistrelProcess& vistrel)
{
    return vistrel.testLog().join(u'\n').toStdString() + "\noutput:\n" +
           vistrel.output().toStdString();
}

bool logContains(VistrelProcess& vistrel, const QString& text)
{
    return vistrel.testLog().join(u'\n').contains(text);
}

} // namespace

TEST(HostileRun, AStrayByteKeepsAJapaneseFolderAndEveryUntouchedLine)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("画像"));
    ASSERT_TRUE(QDir().mkpath(folder));
    CaptureScene scene;
    const QByteArray stray = "; edited by hand \xFF\n";
    const QByteArray dirLine = "DIR=" + folder.toUtf8() + "\n";
    scene.startVistrel("AFTERACTION=5\n" + stray + "[AUTOSAVE]\n" + dirLine);
    scene.chooseCaptureItem(QStringLiteral("f"));
    ASSERT_TRUE(waitFor([&] { return filesIn(folder).size() == 1; })) << logOf(scene.vistrel());

    scene.vistrel().signal(SIGTERM);
    ASSERT_TRUE(scene.vistrel().waitForExit());
    const QByteArray written = readBytes(scene.vistrel().iniPath());
    EXPECT_TRUE(written.contains(stray)) << written.left(300).toStdString();
    EXPECT_TRUE(written.contains(dirLine)) << "the folder is written back byte for byte";
}

TEST(HostileRun, ASettingsFileThatCannotBeReadIsReportedAndLeftAlone)
{
    CaptureScene scene;
    const QString ini = scene.vistrel().iniPath();
    ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
    scene.vistrel().start();
    // Start-up must not hang on the pipe: the window comes and the reason is given.
    ASSERT_TRUE(scene.vistrel().waitForMainWindow()) << logOf(scene.vistrel());
    EXPECT_TRUE(waitFor([&] {
        return logContains(scene.vistrel(), ini + QStringLiteral(" を読み込めません"));
    })) << logOf(scene.vistrel());
    scene.vistrel().signal(SIGTERM);
    ASSERT_TRUE(scene.vistrel().waitForExit());
    QFileInfo after(ini);
    EXPECT_FALSE(after.isFile()) << "replaced by defaults";
}

TEST(HostileRun, ATerminationSignalEndsACountdownWithoutCapturingAndCleansUp)
{
    CaptureScene scene;
    scene.startVistrel("AFTERACTION=0\n[TIMER]\nMINUTE=30\nSHOW=1");
    scene.chooseCaptureItem(QStringLiteral("t"));
    scene.key(QStringLiteral("f"));
    ASSERT_TRUE(waitFor([&] {
        return scene.session()
                   .xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), QStringLiteral("^キャプチャ開始まであと")})
                   .exitCode == 0;
    })) << "no countdown window";
    scene.vistrel().signal(SIGTERM);
    ASSERT_TRUE(scene.vistrel().waitForExit(20s)) << "still counting down";
    EXPECT_EQ(scene.statusCount(CaptureScene::Completed), 0) << logOf(scene.vistrel());
    EXPECT_TRUE(scene.tempFolder().isEmpty())
        << "pictures left in " << scene.tempFolder().toStdString();
}

TEST(HostileRun, AKilledRunsPicturesAreRemovedByTheNextStart)
{
    CaptureScene scene;
    scene.startVistrel("AFTERACTION=0");
    scene.chooseCaptureItem(QStringLiteral("f"));
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 1)) << logOf(scene.vistrel());
    const QString abandoned = scene.tempFolder();
    // The tab's picture is written in the background.
    ASSERT_TRUE(waitFor([&] { return !scene.tabFiles().isEmpty(); }));
    scene.vistrel().signal(SIGKILL);
    ASSERT_TRUE(scene.vistrel().waitForExit());
    ASSERT_TRUE(QFileInfo::exists(abandoned));

    VistrelProcess next(scene.session());
    next.setEnv(QStringLiteral("XDG_RUNTIME_DIR"), QFileInfo(abandoned).path());
    next.start();
    ASSERT_TRUE(next.waitForMainWindow()) << logOf(next);
    EXPECT_TRUE(waitFor([&] { return !QFileInfo::exists(abandoned); }))
        << abandoned.toStdString() << " is still there";
}

TEST(HostileRun, AFileSizeLimitGivesAMessageNamingTheCauseNotADeath)
{
    // Tab pictures are private scratch files whose failure stops nothing (the history is in
    // memory): the continuous save after the capture meets the limit.
    QTemporaryDir shots;
    CaptureScene scene;
    scene.vistrel().limitFileSize(64 * 1024); // far below one screenshot
    scene.startVistrel("AFTERACTION=5\n[AUTOSAVE]\nDIR=" + QFile::encodeName(shots.path()) +
                       "\nSAVETYPE=1");
    scene.chooseCaptureItem(QStringLiteral("f"));
    EXPECT_TRUE(waitFor([&] {
        return logContains(scene.vistrel(), QStringLiteral("ファイルが大きすぎます。"));
    })) << logOf(scene.vistrel());
    EXPECT_TRUE(scene.vistrel().isAlive()) << "killed by SIGXFSZ";
}

TEST(HostileRun, ACommandLineContinuousSaveOverrideLastsForItsRunOnly)
{
    QTemporaryDir stored;
    QTemporaryDir once;
    CaptureScene scene;
    scene.vistrel().writeIni("[ALL]\nWAITTIME=0\nAPCLOSE=1\n[AUTOSAVE]\nDIR=" +
                             QFile::encodeName(stored.path()) + "\nFILE=keep\nOVERWRITE=1\n");
    scene.vistrel().start({QStringLiteral("/C1"),
                           QStringLiteral("/A5;") + once.path() + QStringLiteral(";10;once;")});
    ASSERT_TRUE(scene.vistrel().waitForExit()) << logOf(scene.vistrel());
    EXPECT_EQ(scene.vistrel().exitCode(), 0) << logOf(scene.vistrel());
    EXPECT_EQ(filesIn(once.path()).size(), 1);
    const QByteArray ini = scene.vistrel().readIni();
    EXPECT_TRUE(ini.contains("DIR=" + QFile::encodeName(stored.path()) + "\n"))
        << ini.toStdString();
    EXPECT_TRUE(ini.contains("FILE=keep\n"));
    EXPECT_TRUE(ini.contains("OVERWRITE=1\n"));
}
