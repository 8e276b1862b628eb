#include "harness/VistrelProcess.h"
#include "settings/Settings.h"
#include "settings/SettingsTable.h"

#include <QFile>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using namespace vistrel::test;

namespace {

// One line of the settings file as a person reading it would see it.
struct Entry {
    QString section;
    QString key; // empty for section headers, comments and blank lines
    QString value;
    QString line;
};

QList<Entry> entries(const QByteArray& bytes)
{
    QList<Entry> result;
    QString section;
    for (QString line : QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts)) {
        line.remove(u'\r');
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.indexOf(u']') - 1);
            result.append({section, {}, {}, line});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && !line.startsWith(u';'))
            result.append({section, line.left(equals), line.mid(equals + 1), line});
        else
            result.append({section, {}, {}, line});
    }
    return result;
}

QString valueOf(const QList<Entry>& all, const QString& section, const QString& key)
{
    for (const Entry& e : all)
        if (e.section == section && e.key == key)
            return e.value;
    return QStringLiteral("<missing>");
}

QString defaultText(const vistrel::SettingKey& row)
{
    if (const bool* flag = std::get_if<bool>(&row.fallback))
        return *flag ? QStringLiteral("1") : QStringLiteral("0");
    if (const int* number = std::get_if<int>(&row.fallback))
        return QString::number(*number);
    return std::get<QString>(row.fallback);
}

QList<vistrel::SettingKey> table()
{
    static vistrel::Settings settings;
    // The folder defaults name a folder that exists, as the program's own folder does:
    // a missing start folder of the file pane would be reported at start.
    return vistrel::settingsTable(settings, QDir::tempPath());
}

// "SECTION/KEY" of every known key in the order the file holds them.
QStringList knownKeysInFileOrder(const QList<Entry>& all)
{
    QStringList known;
    for (const vistrel::SettingKey& row : table())
        known.append(row.section + u'/' + row.key);
    QStringList found;
    for (const Entry& e : all)
        if (!e.key.isEmpty() && known.contains(e.section + u'/' + e.key))
            found.append(e.section + u'/' + e.key);
    return found;
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    [[maybe_unused]] const QString text = decoder(bytes);
    return !decoder.hasError();
}

const QString JapaneseFolder = QStringLiteral("/home/利用者/画像/スクリーンショット");

// A complete settings file as an earlier run would leave it, with the values
// of the scenario and things this program does not know in between.
QByteArray existingFile(const QRect& screen)
{
    QString text;
    QString section;
    for (const vistrel::SettingKey& row : table()) {
        if (row.section != section) {
            if (row.section == QLatin1String("MAIN"))
                text += QStringLiteral("[追加機能]\r\n; kept by every save\r\nMode=fast\r\n\r\n");
            section = row.section;
            text += u'[' + section + QStringLiteral("]\r\n");
            if (section == QLatin1String("ALL"))
                text += QStringLiteral("LEGACYFLAG=7\r\n");
        }
        QString value = defaultText(row);
        const QString name = row.section + u'/' + row.key;
        if (name == QLatin1String("AUTOSAVE/DIR"))
            value = JapaneseFolder;
        else if (name == QLatin1String("SCREEN/LEFT"))
            value = QString::number(screen.x());
        else if (name == QLatin1String("SCREEN/TOP"))
            value = QString::number(screen.y());
        else if (name == QLatin1String("SCREEN/WIDTH"))
            value = QString::number(screen.width());
        else if (name == QLatin1String("SCREEN/HEIGHT"))
            value = QString::number(screen.height());
        text += row.key + u'=' + value + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

// Waits until the main window's frame sits at `position` with an outer size of `size`.
bool waitForGeometry(XSession& session, WindowId window, QPoint position, QSize size,
                     std::optional<WindowGeometry>& seen)
{
    return waitFor([&] {
        seen = session.geometry(window);
        return seen && seen->frame.topLeft() == position && seen->frame.size() == size &&
               seen->client.size() != size;
    });
}

void endWithSigterm(VistrelProcess& vistrel)
{
    vistrel.signal(SIGTERM);
    ASSERT_TRUE(vistrel.waitForExit()) << "the program did not end on SIGTERM";
    EXPECT_EQ(vistrel.exitCode(), 0) << vistrel.output().toStdString();
}

} // namespace

// LEFT/TOP place the window frame, WIDTH/HEIGHT size it frame included; what the
// exit writes back is what was read, and nothing else in the file is lost.
TEST(SettingsFile, WindowComesUpWhereTheFileSaysAndTheFileSurvivesTheExit)
{
    XSession session;
    VistrelProcess vistrel(session);
    const QRect screen(210, 160, 720, 480);
    vistrel.writeIni(existingFile(screen));
    vistrel.start();
    const auto window = vistrel.waitForMainWindow();
    ASSERT_TRUE(window) << "no main window\n" << vistrel.output().toStdString();

    std::optional<WindowGeometry> seen;
    EXPECT_TRUE(waitForGeometry(session, *window, screen.topLeft(), screen.size(), seen))
        << "frame " << seen->frame.x() << ',' << seen->frame.y() << ' ' << seen->frame.width()
        << 'x' << seen->frame.height();

    endWithSigterm(vistrel);
    const QByteArray bytes = vistrel.readIni();
    ASSERT_TRUE(isValidUtf8(bytes)) << "a UTF-8 file stays UTF-8";
    const QList<Entry> saved = entries(bytes);

    QStringList expectedOrder;
    for (const vistrel::SettingKey& row : table())
        expectedOrder.append(row.section + u'/' + row.key);
    EXPECT_EQ(knownKeysInFileOrder(saved), expectedOrder);

    EXPECT_EQ(valueOf(saved, QStringLiteral("AUTOSAVE"), QStringLiteral("DIR")), JapaneseFolder);
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("LEFT")), u"210");
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("TOP")), u"160");
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("WIDTH")), u"720");
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("HEIGHT")), u"480");
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("WINDOWSTATE")), u"0");
    EXPECT_EQ(valueOf(saved, QStringLiteral("ALL"), QStringLiteral("LEGACYFLAG")), u"7");
    EXPECT_EQ(valueOf(saved, QStringLiteral("追加機能"), QStringLiteral("Mode")), u"fast");
    EXPECT_TRUE(bytes.contains("; kept by every save\r\n"));
}

// A first run writes a new file with every key, the window state first among
// the window's keys, and the geometry the window had by default.
TEST(SettingsFile, FirstRunWritesEveryKeyInOrder)
{
    XSession session;
    VistrelProcess vistrel(session);
    vistrel.start();
    const auto window = vistrel.waitForMainWindow();
    ASSERT_TRUE(window) << "no main window\n" << vistrel.output().toStdString();
    std::optional<WindowGeometry> seen;
    EXPECT_TRUE(waitForGeometry(session, *window, QPoint(0, 0), QSize(650, 400), seen));

    endWithSigterm(vistrel);
    const QList<Entry> saved = entries(vistrel.readIni());
    QStringList expectedOrder;
    for (const vistrel::SettingKey& row : table()) {
        const QString name = row.section + u'/' + row.key;
        if (name == QLatin1String("SCREEN/LEFT"))
            expectedOrder.append(QStringLiteral("SCREEN/WINDOWSTATE"));
        if (name != QLatin1String("SCREEN/WINDOWSTATE"))
            expectedOrder.append(name);
    }
    EXPECT_EQ(knownKeysInFileOrder(saved), expectedOrder);
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("LEFT")), u"0");
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("TOP")), u"0");
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("WIDTH")), u"650");
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("HEIGHT")), u"400");
    EXPECT_EQ(valueOf(saved, QStringLiteral("HEAD"), QStringLiteral("TEXT")),
              u"Date:<$DATE> <$TIME>  USER:<$USER>");
}

// A folder the user may not write to: the exit command shows the message with
// the file's path, leaves the old file alone, and the program keeps running; a
// termination signal, which no one can answer, says it on stderr and ends with 1.
TEST(SettingsFile, ReadOnlyFolderReportsThePathAndKeepsRunning)
{
    if (!VistrelProcess::unprivilegedUserCanRun())
        GTEST_SKIP() << "root, and the program lies where an unprivileged user cannot run it";
    XSession session;
    VistrelProcess vistrel(session);
    const QByteArray before = existingFile(QRect(300, 200, 650, 400));
    vistrel.writeIni(before);
    vistrel.dropRootPrivileges();
    ASSERT_EQ(::chmod(QFile::encodeName(vistrel.configDir()).constData(), 0555), 0);
    vistrel.start();
    const auto window = vistrel.waitForMainWindow();
    ASSERT_TRUE(window) << "no main window\n" << vistrel.output().toStdString();

    // A moved window gives the exit something to save (an unchanged file is left alone).
    session.xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"),
                     QString::number(*window), QStringLiteral("340"), QStringLiteral("260")});
    session.xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(*window)});
    session.xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100"),
                     QStringLiteral("alt+f"), QStringLiteral("x")});
    const QString expected = QStringLiteral("error: %1 に書き込めません").arg(vistrel.iniPath());
    EXPECT_TRUE(vistrel.waitForLogLine(expected))
        << "log: " << vistrel.testLog().join(u'|').toStdString();
    EXPECT_TRUE(waitFor([&] { return vistrel.windows().size() == 2; }))
        << "no message box next to the main window";
    EXPECT_TRUE(vistrel.isAlive());

    // Dismissing the message leaves the program running with its window.
    for (WindowId box : vistrel.windows())
        if (box != *window)
            session.xdotool({QStringLiteral("key"), QStringLiteral("--window"),
                             QString::number(box), QStringLiteral("Return")});
    EXPECT_TRUE(waitFor([&] { return vistrel.windows() == QList<WindowId>{*window}; }));
    EXPECT_TRUE(vistrel.isAlive());
    EXPECT_EQ(vistrel.readIni(), before);
    EXPECT_EQ(QDir(vistrel.configDir()).entryList(QDir::Files), QStringList{"Vist.ini"});

    vistrel.signal(SIGTERM);
    ASSERT_TRUE(vistrel.waitForExit()) << "a failed save kept the program from ending";
    EXPECT_EQ(vistrel.exitCode(), 1);
    EXPECT_TRUE(vistrel.output().contains(vistrel.iniPath() + QStringLiteral(" に書き込めません")))
        << vistrel.output().toStdString();
    EXPECT_EQ(vistrel.readIni(), before);
}

// The X server going away ends the program (exit status 1), but what the session changed is
// saved first, and the reason is told in Japanese.
TEST(SettingsFile, ChangesOfTheSessionAreSavedWhenTheDisplayDies)
{
    XSession session;
    VistrelProcess vistrel(session);
    vistrel.writeIni(existingFile(QRect(210, 160, 720, 480)));
    vistrel.start();
    const auto window = vistrel.waitForMainWindow();
    ASSERT_TRUE(window) << "no main window\n" << vistrel.output().toStdString();
    std::optional<WindowGeometry> seen;
    ASSERT_TRUE(waitForGeometry(session, *window, {210, 160}, {720, 480}, seen));

    session.xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"),
                     QString::number(*window), QStringLiteral("340"), QStringLiteral("260")});
    ASSERT_TRUE(waitFor([&] {
        seen = session.geometry(*window);
        return seen && seen->frame.topLeft() != QPoint(210, 160);
    }));
    const QPoint moved = seen->frame.topLeft();
    // The program has seen the move once it has handled a key pressed after it: the File menu.
    const auto shownWindows = [&] {
        const QByteArray found =
            session
                .xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(vistrel.pid())})
                .output;
        return QString::fromUtf8(found).split(u'\n', Qt::SkipEmptyParts).size();
    };
    const qsizetype before = shownWindows();
    session.xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(*window)});
    session.xdotool({QStringLiteral("key"), QStringLiteral("alt+f")});
    ASSERT_TRUE(waitFor([&] { return shownWindows() > before; })) << "no File menu";
    session.killServer();

    ASSERT_TRUE(vistrel.waitForExit()) << "the program outlived its display";
    EXPECT_EQ(vistrel.exitCode(), 1);
    const QList<Entry> saved = entries(vistrel.readIni());
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("LEFT")),
              QString::number(moved.x()));
    EXPECT_EQ(valueOf(saved, QStringLiteral("SCREEN"), QStringLiteral("TOP")),
              QString::number(moved.y()));
    EXPECT_EQ(valueOf(saved, QStringLiteral("AUTOSAVE"), QStringLiteral("DIR")), JapaneseFolder);
    const QString output = vistrel.output();
    EXPECT_TRUE(output.contains(QStringLiteral("X サーバーとの接続が切れたため終了します。")))
        << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("X11 connection"))) << output.toStdString();
}
