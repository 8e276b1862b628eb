#include "options/OptionRules.h"
#include "options/ToolLauncher.h"
#include "options/ToolTable.h"
#include "output/PictureFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel;

TEST(FontSizeText, DigitsAndCommasPassAndGiveTheirNumber)
{
    const struct {
        const char* text;
        bool passes;
        std::optional<int> size;
    } cases[] = {{"", false, {}},   {"12", true, 12},  {"1,2", true, 12},
                 {",", true, {}},   {"0", true, {}},   {"1a", false, {}},
                 {" 9", false, {}}, {"-1", false, {}}, {"１２", false, {}}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsFontSizeText(QString::fromUtf8(c.text)), c.passes) << c.text;
        EXPECT_EQ(FontSizeFromText(QString::fromUtf8(c.text)), c.size) << c.text;
    }
}

TEST(ToolArguments, SplitLikeACommandLineWithTheExchangePathAsOneArgument)
{
    const QString hostile = QStringLiteral("/tmp/a b/\"q\" $HOME; `id` $(id)\nx/Cap000.bmp");
    EXPECT_EQ(ToolArguments(QStringLiteral("--in $F --flag \"a b\""), hostile),
              (QStringList{"--in", hostile, "--flag", "a b"}));
    EXPECT_EQ(ToolArguments(QStringLiteral("$F --out=$F.png"), QStringLiteral("/p")),
              (QStringList{"/p", "--out=/p.png"}));
    // Nothing is expanded or run: shell syntax arrives as plain words.
    EXPECT_EQ(ToolArguments(QStringLiteral("; touch /tmp/x $(touch /tmp/y) `id`"), "/p"),
              (QStringList{";", "touch", "/tmp/x", "$(touch", "/tmp/y)", "`id`"}));
    EXPECT_EQ(ToolArguments(QStringLiteral("-v"), "/p"), QStringList{"-v"});
    EXPECT_TRUE(ToolArguments(QString(), "/p").isEmpty());
}

TEST(ToolTable, StaysContiguousThroughAddAndDelete)
{
    Settings settings;
    settings.TOOL.TITLE = {"A", "", "C", "D", ""};
    settings.TOOL.FILE = {"a", "", "c", "d", ""};
    ToolTable tools = CompactTools(ToolTableFrom(settings));
    EXPECT_EQ(ToolCount(tools), 3);
    EXPECT_EQ(tools[1], (ToolEntry{"C", "c", ""}));
    ASSERT_TRUE(AddTool(tools, {"E", "e", "$F"}));
    DeleteTool(tools, 1); // the second of four
    EXPECT_EQ(tools[1].title, "D");
    EXPECT_EQ(tools[2].title, "E");
    EXPECT_EQ(tools[3], ToolEntry{});
    for (const char* title : {"F", "G"})
        EXPECT_TRUE(AddTool(tools, {title, "", ""}));
    EXPECT_FALSE(AddTool(tools, {"H", "", ""}));
    StoreToolTable(settings, tools);
    EXPECT_EQ(settings.TOOL.TITLE[4], "G");
    EXPECT_EQ(settings.TOOL.COMMAND[2], "$F");
}

TEST(ToolTable, TitleOfAChosenProgram)
{
    EXPECT_EQ(ToolTitleFromPath("/usr/bin/gimp"), "gimp");
    EXPECT_EQ(ToolTitleFromPath("/opt/x/view.sh"), "view");
    EXPECT_EQ(ToolTitleFromPath("/opt/a.b.c"), "a.b");
    EXPECT_EQ(ToolTitleFromPath("/opt/.hidden"), ".hidden");
}

TEST(RunTool, WritesTheShownPictureAs24BitBitmapThenStartsTheProgram)
{
    QTemporaryDir dir;
    QImage picture(7, 3, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    QString program;
    QStringList arguments;
    const auto starter = [&](const QString& p, const QStringList& a) {
        program = p;
        arguments = a;
        return true;
    };
    const QString folder = dir.filePath(QStringLiteral("sub dir"));
    ASSERT_TRUE(RunTool({"T", "/bin/viewer", "-x $F"}, picture, folder, starter));
    const QString exchange = folder + QStringLiteral("/Cap000.bmp");
    EXPECT_EQ(program, "/bin/viewer");
    EXPECT_EQ(arguments, (QStringList{"-x", exchange}));
    QFile file(exchange);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(30);
    EXPECT_EQ(header.at(28), 24); // bits per pixel
    EXPECT_EQ(loadPictureFile(exchange).pixel(6, 2), qRgb(10, 200, 30));

    // Only this user may read it, even when an earlier run left a file open to all; the
    // folder the launcher makes is private too.
    EXPECT_EQ(QFileInfo(exchange).permissions() & 0x0077, QFile::Permissions());
    EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
    ASSERT_TRUE(QFile::setPermissions(exchange, QFile::permissions(exchange) | QFile::ReadOther));
    ASSERT_TRUE(RunTool({"T", "/bin/viewer", ""}, picture, folder, starter));
    EXPECT_EQ(QFileInfo(exchange).permissions() & 0x0077, QFile::Permissions());

    // Without a picture nothing is written and nothing started; the exit removes the file.
    DeleteExchangePicture(folder);
    EXPECT_FALSE(QFile::exists(exchange));
    bool started = false;
    EXPECT_FALSE(RunTool({"T", "/bin/viewer", ""}, QImage(), folder,
                         [&](const QString&, const QStringList&) { return started = true; }));
    EXPECT_FALSE(started);
    EXPECT_FALSE(QFile::exists(exchange));
}

TEST(StartDetachedProgram, ReportsAProgramThatCannotStart)
{
    EXPECT_FALSE(StartDetachedProgram(QStringLiteral("/nonexistent/tool"), {}));
    EXPECT_FALSE(StartDetachedProgram(QString(), {}));
    EXPECT_TRUE(StartDetachedProgram(QStringLiteral("true"), {}));
}

TEST(ColourReference, RoundTripsThroughRgb)
{
    const RgbColour c = FromColourReference(0x123456);
    EXPECT_EQ(c.red, 0x56);
    EXPECT_EQ(c.blue, 0x12);
    EXPECT_EQ(ToColourReference(c), 0x123456);
    EXPECT_EQ(PaperSketchSize({60, 70}, 0), QSize(45, 70));
    EXPECT_EQ(PaperSketchSize({60, 70}, 1), QSize(60, 55));
}
