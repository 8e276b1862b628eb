#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using vistrel::IniFile;

namespace {

IniFile parse(const char* text)
{
    return IniFile::fromBytes(QByteArray(text));
}

QByteArray toShiftJis(const QString& text)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 8, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(result, static_cast<size_t>(-1)) << "test text not Shift-JIS";
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(IniFile, NamesMatchWithoutRegardToCaseAndMissingKeysGiveTheDefault)
{
    const IniFile ini = parse("[Screen]\nLeft=12\n[all]\nwaitTime=300\n");
    EXPECT_EQ(ini.readInteger("SCREEN", "LEFT", 0), 12);
    EXPECT_EQ(ini.readInteger("ALL", "WAITTIME", 500), 300);
    EXPECT_EQ(ini.readInteger("ALL", "MISSING", 500), 500);
    EXPECT_EQ(ini.readInteger("NOSECTION", "LEFT", -4), -4);
    EXPECT_EQ(ini.readString("SCREEN", "TOP", "dflt"), u"dflt");
    // A write to an existing key in other case replaces it, never duplicates it.
    IniFile copy = ini;
    copy.writeInteger("SCREEN", "LEFT", 99);
    EXPECT_EQ(QString::fromUtf8(copy.toBytes()).count(QStringLiteral("eft=")), 1);
    EXPECT_EQ(copy.readInteger("screen", "left", 0), 99);
}

TEST(IniFile, ValuesLoseSurroundingBlanksAndOneQuotePair)
{
    const IniFile ini = parse("[A]\n  K1 =  spaced value  \r\nK2=\"quoted \"\nK3='x'\nK4=a=b\n"
                              "K5=\"unbalanced\nK6=\n");
    EXPECT_EQ(ini.readString("A", "K1", {}), u"spaced value");
    EXPECT_EQ(ini.readString("A", "K2", {}), u"quoted ");
    EXPECT_EQ(ini.readString("A", "K3", {}), u"x");
    EXPECT_EQ(ini.readString("A", "K4", {}), u"a=b");
    EXPECT_EQ(ini.readString("A", "K5", {}), u"\"unbalanced");
    EXPECT_TRUE(ini.contains("A", "K6"));
    EXPECT_EQ(ini.readString("A", "K6", "dflt"), u"") << "an empty value is a value";
}

TEST(IniFile, WrittenValuesReadBackExactly)
{
    // Blanks at the ends and quotes around a value survive a save and a read.
    IniFile ini;
    const QStringList values{QStringLiteral(" copy"), QStringLiteral("\"quoted\""),
                             QStringLiteral("tail "), QStringLiteral("'a'"),
                             QStringLiteral("plain")};
    for (qsizetype i = 0; i < values.size(); ++i)
        ini.writeString("S", QStringLiteral("K%1").arg(i), values[i]);
    const IniFile back = IniFile::fromBytes(ini.toBytes());
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(back.readString("S", QStringLiteral("K%1").arg(i), {}), values[i]);
    ini.writeString("S", "LINES", "one\ntwo");
    EXPECT_EQ(IniFile::fromBytes(ini.toBytes()).readString("S", "LINES", {}), u"one two");
}

TEST(IniFile, IntegersAreDecimalOrHexAndAnythingElseGivesTheDefault)
{
    const IniFile ini = parse("[ALL]\nWAITTIME=0x1F4\nBAD=abc\nICON=2\nTRUE=true\nNEG=-17\n"
                              "UPPER=0XfF\nBARE=0x\nHALF=12abc\nHUGE=99999999999\nFULL=0xFFFFFFFF\n"
                              "SPACED= 42 \nFLOAT=1.5\nZERO=0\n");
    EXPECT_EQ(ini.readInteger("ALL", "WAITTIME", 1), 500);
    EXPECT_EQ(ini.readInteger("ALL", "BAD", 500), 500);
    EXPECT_EQ(ini.readInteger("ALL", "NEG", 0), -17);
    EXPECT_EQ(ini.readInteger("ALL", "UPPER", 0), 255);
    EXPECT_EQ(ini.readInteger("ALL", "BARE", 7), 7);
    EXPECT_EQ(ini.readInteger("ALL", "HALF", 7), 7);
    EXPECT_EQ(ini.readInteger("ALL", "HUGE", 7), 7);
    EXPECT_EQ(ini.readInteger("ALL", "FULL", 0), -1) << "a colour's full 32 bits";
    EXPECT_EQ(ini.readInteger("ALL", "SPACED", 0), 42);
    EXPECT_EQ(ini.readInteger("ALL", "FLOAT", 7), 7);
    EXPECT_TRUE(ini.readBool("ALL", "ICON", false)) << "any value but 0 is true";
    EXPECT_FALSE(ini.readBool("ALL", "TRUE", false)) << "\"true\" is not a number";
    EXPECT_TRUE(ini.readBool("ALL", "TRUE", true));
    EXPECT_FALSE(ini.readBool("ALL", "ZERO", true));

    IniFile out;
    out.writeBool("B", "ON", true);
    out.writeBool("B", "OFF", false);
    out.writeInteger("B", "N", -250);
    EXPECT_EQ(out.toBytes(), QByteArray("[B]\r\nON=1\r\nOFF=0\r\nN=-250\r\n"));
}

TEST(IniFile, LongValuesAreCutAt2047Characters)
{
    const QString value = QString(2000, u'a') + QString(1000, u'字');
    IniFile ini;
    ini.writeString("S", "LONG", value);
    const IniFile back = IniFile::fromBytes(ini.toBytes());
    EXPECT_EQ(back.readString("S", "LONG", {}), value.left(2047));
    const IniFile digits = IniFile::fromBytes("[S]\nN=" + QByteArray(2047, '0') + "12\n");
    EXPECT_EQ(digits.readInteger("S", "N", 5), 0) << "only the first 2047 characters count";
}

TEST(IniFile, UnknownKeysSectionsAndCommentsSurviveASave)
{
    const QByteArray original = "; settings\r\n[ALL]\r\nICON=0\r\nOTHER=keep me\r\n\r\n"
                                "[PLUGIN]\r\n; a note\r\nX=1\r\n\r\n[SCREEN]\r\nLEFT=3\r\n";
    IniFile ini = IniFile::fromBytes(original);
    ini.writeBool("ALL", "ICON", true);
    ini.writeInteger("ALL", "NEWKEY", 5);
    ini.writeInteger("SCREEN", "TOP", 4);
    ini.writeString("NEWSECTION", "K", "v");
    EXPECT_EQ(QString::fromUtf8(ini.toBytes()),
              QStringLiteral("; settings\r\n[ALL]\r\nICON=1\r\nOTHER=keep me\r\nNEWKEY=5\r\n\r\n"
                             "[PLUGIN]\r\n; a note\r\nX=1\r\n\r\n[SCREEN]\r\nLEFT=3\r\nTOP=4\r\n"
                             "[NEWSECTION]\r\nK=v\r\n"));
}

TEST(IniFile, ShiftJisFilesAreReadAndWrittenBackAsShiftJis)
{
    const QString folder = QStringLiteral("C:\\画像\\スクリーンショット");
    const QByteArray bytes = toShiftJis(QStringLiteral("[AUTOSAVE]\r\nDIR=") + folder +
                                        QStringLiteral("\r\nFILE=表示\r\n"));
    IniFile ini = IniFile::fromBytes(bytes);
    EXPECT_EQ(ini.encoding(), IniFile::Encoding::ShiftJis);
    EXPECT_EQ(ini.readString("AUTOSAVE", "DIR", {}), folder);
    EXPECT_EQ(ini.readString("AUTOSAVE", "FILE", {}), u"表示") << "0x5C second bytes";
    EXPECT_EQ(ini.toBytes(), bytes);
    ini.writeString("AUTOSAVE", "FILEAFTER", QStringLiteral("_済"));
    EXPECT_EQ(ini.toBytes(), bytes + toShiftJis(QStringLiteral("FILEAFTER=_済\r\n")));
}

TEST(IniFile, Utf8FilesStayUtf8AndNothingIsLostInAShiftJisFile)
{
    IniFile utf8 = IniFile::fromBytes(QStringLiteral("[A]\nK=日本語\n").toUtf8());
    EXPECT_EQ(utf8.encoding(), IniFile::Encoding::Utf8);
    EXPECT_EQ(utf8.readString("A", "K", {}), u"日本語");
    EXPECT_TRUE(utf8.toBytes().contains(QStringLiteral("日本語").toUtf8()));

    // Shift-JIS cannot hold these; the file must not lose them nor the old texts.
    IniFile sjis = IniFile::fromBytes(toShiftJis(QStringLiteral("[A]\r\nK=日本語\r\n")));
    sjis.writeString("A", "EMOJI", QStringLiteral("😀 €"));
    const IniFile back = IniFile::fromBytes(sjis.toBytes());
    EXPECT_EQ(back.readString("A", "EMOJI", {}), QStringLiteral("😀 €"));
    EXPECT_EQ(back.readString("A", "K", {}), u"日本語");
}

TEST(IniFile, MissingOrEmptyFilesGiveAnEmptyStore)
{
    EXPECT_FALSE(IniFile::fromFile(QStringLiteral("/nonexistent/Vist.ini")).contains("A", "B"));
    EXPECT_EQ(IniFile::fromBytes({}).readInteger("A", "B", 3), 3);
    const IniFile bom = IniFile::fromBytes("\xEF\xBB\xBF[A]\nB=4\n");
    EXPECT_EQ(bom.readInteger("A", "B", 3), 4);
}

TEST(IniFile, AFailedSaveLeavesTheOldFileAndSaysWhere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vist.ini"));
    writeFile(path, "[A]\r\nK=old\r\n");
    IniFile ini;
    ini.writeString("A", "K", QString(8000, u'x'));

    // A disk that fills up mid-write, simulated with a file size limit.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    std::string message;
    try {
        ini.saveAtomically(path);
    } catch (const std::runtime_error& error) {
        message = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(QString::fromStdString(message),
              path + QStringLiteral(" に書き込めません\nファイルが大きすぎます。"))
        << "the cause is named";
    EXPECT_EQ(readFile(path), QByteArray("[A]\r\nK=old\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Vist.ini"})
        << "no temporary file is left behind";
    ini.saveAtomically(path);
    EXPECT_EQ(IniFile::fromFile(path).readString("A", "K", {}).size(), 2047);
}

TEST(IniFile, AStrayByteDoesNotFlipTheEncodingAndUntouchedLinesKeepTheirBytes)
{
    // One bad byte in a UTF-8 file with Japanese texts: still UTF-8.
    const QByteArray utf8 = QStringLiteral("[AUTOSAVE]\nDIR=/home/u/画像\nFILE=名前\xFF\n")
                                .toUtf8()
                                .replace("\xC3\xBF", "\xFF");
    IniFile ini = IniFile::fromBytes(utf8);
    EXPECT_EQ(ini.encoding(), IniFile::Encoding::Utf8);
    EXPECT_EQ(ini.readString("AUTOSAVE", "DIR", {}), u"/home/u/画像");
    // Writing the values it read back (as a save does) and one new key keeps
    // every old byte, the bad one and the lone LF endings included.
    ini.writeString("AUTOSAVE", "DIR", ini.readString("AUTOSAVE", "DIR", {}));
    ini.writeString("AUTOSAVE", "FILE", ini.readString("AUTOSAVE", "FILE", {}));
    ini.writeInteger("AUTOSAVE", "AUTONOKETA", 3);
    EXPECT_EQ(ini.toBytes(), utf8 + "AUTONOKETA=3\r\n");

    // A Shift-JIS file with a bad byte stays Shift-JIS.
    const QByteArray sjis = toShiftJis(QStringLiteral("[A]\r\nK=日本語の設定\r\n")) + "X=\x80\r\n";
    EXPECT_EQ(IniFile::fromBytes(sjis).encoding(), IniFile::Encoding::ShiftJis);
    EXPECT_EQ(IniFile::fromBytes(sjis).readString("A", "K", {}), u"日本語の設定");
    EXPECT_EQ(IniFile::fromBytes(sjis).toBytes(), sjis);
}

TEST(IniFile, FilesThatExistButCannotBeReadAreRefusedNotEmptied)
{
    QTemporaryDir dir;
    const auto refused = [](const QString& path) {
        try {
            IniFile::fromFile(path);
        } catch (const std::runtime_error& error) {
            return QString::fromUtf8(error.what())
                .startsWith(path + QStringLiteral(" を読み込めません"));
        }
        return false;
    };
    const QString folder = dir.filePath(QStringLiteral("folder"));
    QDir().mkpath(folder);
    EXPECT_TRUE(refused(folder));
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(refused(fifo)) << "refused at once, not waited on";
    const QString large = dir.filePath(QStringLiteral("large"));
    writeFile(large, QByteArray(IniFile::MaxFileSize + 1, ';'));
    EXPECT_TRUE(refused(large));
    if (::geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked"));
        writeFile(locked, "[A]\nK=1\n");
        QFile::setPermissions(locked, {});
        EXPECT_TRUE(refused(locked));
    }
    EXPECT_FALSE(refused(dir.filePath(QStringLiteral("missing")))) << "a missing file is empty";
}
