#include "settings/IniFile.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>

using namespace vistrel;

namespace {

const QString DefaultFolder = QStringLiteral("/opt/vistrel");

class SettingsStoreTest : public ::testing::Test {
protected:
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Vist.ini")); }
    SettingsStore store() const { return SettingsStore(m_dir.path(), DefaultFolder); }
    void writeIni(const QByteArray& bytes) const
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readIni() const
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

QString name(const SettingKey& row)
{
    return row.section + u'/' + row.key;
}

// A value unlike the default for every row, different for every key, with
// texts that need more than ASCII and blanks that need quoting.
void setDistinctValues(Settings& settings)
{
    int index = 0;
    for (const SettingKey& row : settingsTable(settings, DefaultFolder)) {
        ++index;
        if (bool* const* flag = std::get_if<bool*>(&row.member))
            **flag = !std::get<bool>(row.fallback);
        else if (int* const* number = std::get_if<int*>(&row.member))
            **number = std::get<int>(row.fallback) + 1000 + index;
        else
            *std::get<QString*>(row.member) = QStringLiteral(" 値%1 ").arg(index);
    }
}

// Every member of two settings, compared through the table; failures name the key.
void expectSameValues(Settings& expected, Settings& actual)
{
    const QList<SettingKey> want = settingsTable(expected, DefaultFolder);
    const QList<SettingKey> got = settingsTable(actual, DefaultFolder);
    ASSERT_EQ(want.size(), got.size());
    for (qsizetype i = 0; i < want.size(); ++i) {
        std::visit(
            [&](auto* member) {
                using T = std::remove_pointer_t<decltype(member)>;
                EXPECT_EQ(*member, *std::get<T*>(got[i].member)) << name(want[i]).toStdString();
            },
            want[i].member);
    }
}

} // namespace

TEST(SettingsTable, HasEveryKeyOnceWithItsSlots)
{
    Settings settings;
    const QList<SettingKey> rows = settingsTable(settings, DefaultFolder);
    std::set<QString> names;
    std::set<const void*> members;
    for (const SettingKey& row : rows) {
        EXPECT_TRUE(names.insert(name(row)).second) << "twice: " << name(row).toStdString();
        std::visit([&](auto* member) { EXPECT_TRUE(members.insert(member).second); }, row.member);
    }
    // 74 single keys, 5 tools of 3, 21 icon files, 21 hotkeys of 7.
    EXPECT_EQ(rows.size(), 74 + 15 + 21 + 147);
    EXPECT_TRUE(names.count(QStringLiteral("ALL/HELPBROWSER")));
    EXPECT_TRUE(names.count(QStringLiteral("TOOL/COMMAND5")));
    EXPECT_TRUE(names.count(QStringLiteral("ICONFILE/FILELST20")));
    EXPECT_TRUE(names.count(QStringLiteral("HOTKEY/KEY20")));
    EXPECT_FALSE(names.count(QStringLiteral("TOOL/TITLE0")));
    const QStringList sectionOrder{"ALL",    "SAVETYPE", "AUTOSAVE", "SENDMAIL", "FILELIST",
                                   "RIREKI", "COLOR",    "TRIM",     "PRINT",    "HEAD",
                                   "TOOL",   "ICONFILE", "TIMER",    "MAIN",     "DRAW",
                                   "OBJECT", "SCREEN",   "HOTKEY"};
    QStringList seen;
    for (const SettingKey& row : rows)
        if (seen.isEmpty() || seen.back() != row.section)
            seen.append(row.section);
    EXPECT_EQ(seen, sectionOrder);
}

TEST_F(SettingsStoreTest, MissingFileGivesTheDefaults)
{
    const Settings s = store().load();
    EXPECT_FALSE(s.ALL.ICON);
    EXPECT_EQ(s.ALL.WAITTIME, 500);
    EXPECT_TRUE(s.ALL.AUTOSCROLL);
    EXPECT_EQ(s.AUTOSAVE.DIR, DefaultFolder);
    EXPECT_EQ(s.FILELIST.APENDDIR, DefaultFolder);
    EXPECT_EQ(s.SENDMAIL.FILE, u"ROVUDUV");
    EXPECT_EQ(s.COLOR.BACK, 0x808080);
    EXPECT_EQ(s.COLOR.LINE, 0x0000FF);
    EXPECT_EQ(s.HEAD.TEXT, u"Date:<$DATE> <$TIME>  USER:<$USER>");
    EXPECT_EQ(s.TIMER.MINUTE, 3);
    EXPECT_EQ(s.MAIN.AFTERACTION, 0);
    EXPECT_EQ(s.MAIN.VIEW, 1);
    EXPECT_EQ(s.DRAW.TOOL, 0); // files older than the drawing tools read as before
    EXPECT_EQ(s.DRAW.FONTSIZE, 24);
    EXPECT_EQ(s.DRAW.BLUR, 6);
    EXPECT_EQ(s.SCREEN.LEFT, 0);
    EXPECT_EQ(s.SCREEN.TOP, 0);
    EXPECT_EQ(s.SCREEN.HEIGHT, 400);
    EXPECT_EQ(s.SCREEN.WIDTH, 650);
    EXPECT_EQ(s.SCREEN.SPPLIT, 220);
    EXPECT_EQ(s.autoSaveNumber, 1);
    Settings loaded = s;
    Settings defaults = store().defaults();
    expectSameValues(defaults, loaded);
    EXPECT_FALSE(QFile::exists(iniPath())) << "loading never creates the file";
}

TEST_F(SettingsStoreTest, EveryKeyRoundTrips)
{
    Settings written;
    setDistinctValues(written);
    written.autoSaveNumber = 57;
    store().save(written, false);
    written.SCREEN.WINDOWSTATE = false; // the window's state is written, not the member
    Settings read = store().load();
    expectSameValues(written, read);
    EXPECT_EQ(read.autoSaveNumber, 1) << "the sequence number starts again";
    EXPECT_FALSE(readIni().contains("autoSave")) << "and is never written";

    // Every table key is in the file, in the table's order.
    const IniFile ini = IniFile::fromFile(iniPath());
    Settings any;
    for (const SettingKey& row : settingsTable(any, DefaultFolder))
        EXPECT_TRUE(ini.contains(row.section, row.key)) << name(row).toStdString();

    // Saving what the file already says leaves it alone; a change replaces it.
    const auto inode = [this] {
        struct stat info = {};
        ::stat(QFile::encodeName(iniPath()).constData(), &info);
        return info.st_ino;
    };
    const auto before = inode();
    store().save(read, false);
    EXPECT_EQ(inode(), before);
    read.ALL.WAITTIME += 1;
    store().save(read, false);
    EXPECT_NE(inode(), before);
}

TEST_F(SettingsStoreTest, NarrowFilePaneComesBackAtTheDefaultWidth)
{
    writeIni("[SCREEN]\r\nSPPLIT=80\r\n");
    EXPECT_EQ(store().load().SCREEN.SPPLIT, 220);
    writeIni("[SCREEN]\r\nSPPLIT=99\r\n");
    EXPECT_EQ(store().load().SCREEN.SPPLIT, 220);
    writeIni("[SCREEN]\r\nSPPLIT=100\r\n");
    EXPECT_EQ(store().load().SCREEN.SPPLIT, 100);
}

TEST_F(SettingsStoreTest, MalformedValuesTakeTheirDefaults)
{
    writeIni("[ALL]\r\nWAITTIME=0x1F4\r\nICON=2\r\nAPCLOSE=true\r\nSCROLLWAITTIME=abc\r\n"
             "[main]\r\nlinewidth=12\r\n");
    const Settings s = store().load();
    EXPECT_EQ(s.ALL.WAITTIME, 500);
    EXPECT_TRUE(s.ALL.ICON);
    EXPECT_FALSE(s.ALL.APCLOSE);
    EXPECT_EQ(s.ALL.SCROLLWAITTIME, 20);
    EXPECT_EQ(s.MAIN.LINEWIDTH, 12) << "stored values are not range-checked";
}

TEST_F(SettingsStoreTest, MaximisedExitWritesOnlyTheWindowState)
{
    writeIni("[SCREEN]\r\nLEFT=11\r\nTOP=22\r\nHEIGHT=333\r\nWIDTH=444\r\nWINDOWSTATE=0\r\n"
             "SPPLIT=155\r\n");
    Settings s = store().load();
    s.SCREEN.LEFT = 1;
    s.SCREEN.TOP = 2;
    s.SCREEN.HEIGHT = 3;
    s.SCREEN.WIDTH = 4;
    s.SCREEN.SPPLIT = 250;
    s.ALL.WAITTIME = 700;
    store().save(s, true);
    const Settings back = store().load();
    EXPECT_TRUE(back.SCREEN.WINDOWSTATE);
    EXPECT_EQ(back.SCREEN.LEFT, 11);
    EXPECT_EQ(back.SCREEN.TOP, 22);
    EXPECT_EQ(back.SCREEN.HEIGHT, 333);
    EXPECT_EQ(back.SCREEN.WIDTH, 444);
    EXPECT_EQ(back.SCREEN.SPPLIT, 155);
    EXPECT_EQ(back.ALL.WAITTIME, 700) << "the other sections are written as usual";

    // Restored to normal, the next exit writes the geometry again.
    s.SCREEN.WINDOWSTATE = true;
    store().save(s, false);
    const Settings normal = store().load();
    EXPECT_FALSE(normal.SCREEN.WINDOWSTATE);
    EXPECT_EQ(normal.SCREEN.LEFT, 1);
    EXPECT_EQ(normal.SCREEN.SPPLIT, 250);
}

TEST_F(SettingsStoreTest, MaximisedFirstExitLeavesTheGeometryOut)
{
    Settings s = store().load();
    store().save(s, true);
    const IniFile ini = IniFile::fromFile(iniPath());
    EXPECT_TRUE(ini.readBool("SCREEN", "WINDOWSTATE", false));
    for (const char* key : {"LEFT", "TOP", "HEIGHT", "WIDTH", "SPPLIT"})
        EXPECT_FALSE(ini.contains("SCREEN", key)) << key;
}

TEST_F(SettingsStoreTest, ANewFileHasTheWindowStateBeforeTheGeometry)
{
    store().save(store().load(), false);
    const QByteArray bytes = readIni();
    EXPECT_TRUE(bytes.contains("[SCREEN]\r\nWINDOWSTATE=0\r\nLEFT=0\r\nTOP=0\r\nHEIGHT=400\r\n"
                               "WIDTH=650\r\nSPPLIT=220\r\n"));
}

TEST_F(SettingsStoreTest, UnknownEntriesAndShiftJisSurviveASave)
{
    const QByteArray sjisFolder = "C:\\\x89\xe6\x91\x9c"; // C:\画像 in Shift-JIS
    writeIni("[ALL]\r\nICON=1\r\nFUTURE=yes\r\n[AUTOSAVE]\r\nDIR=" + sjisFolder +
             "\r\n[OTHERAPP]\r\nX=1\r\n");
    Settings s = store().load();
    EXPECT_EQ(s.AUTOSAVE.DIR, u"C:\\画像");
    store().save(s, false);
    const QByteArray bytes = readIni();
    EXPECT_TRUE(bytes.contains("DIR=" + sjisFolder + "\r\n")) << "written back in Shift-JIS";
    EXPECT_TRUE(bytes.contains("FUTURE=yes\r\n"));
    EXPECT_TRUE(bytes.contains("[OTHERAPP]\r\nX=1\r\n"));
}

TEST_F(SettingsStoreTest, AFolderThatCannotBeMadeIsReported)
{
    QFile blocker(m_dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore inside(m_dir.filePath(QStringLiteral("file/vistrel")), DefaultFolder);
    try {
        inside.save(inside.load(), false);
        FAIL() << "the save claimed success";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  inside.filePath() + QStringLiteral(" に書き込めません"));
    }
}

// The settings folder holds the pictures handed to tools: the folders the program makes are
// closed to others, whatever the umask; a folder the user made keeps its mode.
TEST_F(SettingsStoreTest, FoldersTheSaveMakesArePrivate)
{
    const QString config = m_dir.filePath(QStringLiteral("config"));
    SettingsStore nested(config + QStringLiteral("/vistrel"), DefaultFolder);
    nested.save(nested.load(), false);
    const auto others = [](const QString& path) { return QFile::permissions(path) & 0x0077; };
    EXPECT_EQ(others(config), QFile::Permissions());
    EXPECT_EQ(others(config + QStringLiteral("/vistrel")), QFile::Permissions());

    const QString open = m_dir.filePath(QStringLiteral("open"));
    ASSERT_TRUE(QDir().mkdir(open));
    ASSERT_TRUE(
        QFile::setPermissions(open, QFile::permissions(open) | QFile::ReadOther | QFile::ExeOther));
    SettingsStore existing(open, DefaultFolder);
    existing.save(existing.load(), false);
    EXPECT_TRUE(others(open) & QFile::ReadOther);
}

TEST_F(SettingsStoreTest, AnUnreadableFileIsReportedOnceAndNeverReplaced)
{
    QDir().mkpath(iniPath()); // a folder under the file's name
    SettingsStore unreadable(m_dir.path(), DefaultFolder);
    const Settings s = unreadable.load();
    EXPECT_TRUE(
        unreadable.loadProblem().startsWith(iniPath() + QStringLiteral(" を読み込めません")));
    EXPECT_EQ(s.ALL.WAITTIME, 500) << "the defaults are used";
    unreadable.save(s, false);
    EXPECT_TRUE(QFileInfo(iniPath()).isDir()) << "left as it was";
}

TEST_F(SettingsStoreTest, HandEditedNumbersAreBroughtIntoUsableRanges)
{
    writeIni("[ALL]\nWAITTIME=2147483647\nSCROLLWAITTIME=-5\n[RIREKI]\nRIREKICNT=1000\n"
             "[TRIM]\nTOP=-30000\nBOTTOM=100000\n[TIMER]\nMINUTE=999999\n[OBJECT]\nRANGEZOOM=0\n");
    Settings s = store().load();
    vistrel::clampToUsableRanges(s);
    EXPECT_EQ(s.ALL.WAITTIME, 3000);
    EXPECT_EQ(s.ALL.SCROLLWAITTIME, 0);
    EXPECT_EQ(s.RIREKI.RIREKICNT, 50);
    EXPECT_EQ(s.TRIM.TOP, 0) << "a negative margin would enlarge the picture";
    EXPECT_EQ(s.TRIM.BOTTOM, 999);
    EXPECT_EQ(s.TIMER.MINUTE, 60);
    EXPECT_EQ(s.OBJECT.RANGEZOOM, 1);
}
