#include "hotkeys/CaptureParam.h"
#include "hotkeys/AutoSaveRestore.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

struct ParseCase {
    const char* text;
    int kind;
    int action;
    int pointMode;
    bool client, mouse, trim, timerOn;
    int seconds;
    bool stay;
};

// Every field of the parsed request, one line per edge of the grammar.
const ParseCase ParseCases[] = {
    {"", 0, 0, 0, false, false, false, false, 0, false},
    {"/C1,/A6", 1, 6, 0, false, false, false, false, 0, false},
    {"/C5,/A1", 0, 1, 0, false, false, false, false, 0, false},  // kind out of range
    {"/C12,/A1", 0, 1, 0, false, false, false, false, 0, false}, // two digits
    {"/c1,/a1", 0, 0, 0, false, false, false, false, 0, false},  // case-sensitive
    {"/C,/A", 99, 99, 0, false, false, false, false, 0, false},  // bare tokens ask
    {"/C3,/A0", 3, 0, 0, false, false, false, false, 0, false},  // action digit 0
    {"/C3,/Ax", 3, 0, 0, false, false, false, false, 0, false},
    {"/C2,/A9extra", 2, 9, 0, false, false, false, false, 0, false},
    {"/C3,/A1,/W", 3, 1, 1, false, false, false, false, 0, false},
    {"/C3,/A1,/W2", 3, 1, 2, false, false, false, false, 0, false},
    {"/C3,/A1,/W3", 3, 1, 0, false, false, false, false, 0, false},
    {"/C1,/A1,/L,/M,/R,/U", 1, 1, 0, true, true, true, false, 0, true},
    {"/C1,/A1,/LM,/MM,/U2", 1, 1, 0, false, false, false, false, 0, false},
    {"/C1,/A1,/T0", 1, 1, 0, false, false, false, true, 0, false},
    {"/C1,/A1,/T45", 1, 1, 0, false, false, false, true, 45, false},
    {"/C1,/A1,/T100", 1, 1, 0, false, false, false, false, 0, false}, // length 5
    {"/C1,/A1,/T", 1, 1, 0, false, false, false, false, 0, false},
    {"/C1,/A1,/Tx", 1, 1, 0, false, false, false, true, 0, false}, // on, no number
    {",,/C2,,/A3,", 2, 3, 0, false, false, false, false, 0, false},
    {"/C1 ,/A1", 0, 1, 0, false, false, false, false, 0, false},    // a blank is a character
    {"/C1,/C2,/A1", 2, 1, 0, false, false, false, false, 0, false}, // later token wins
    {"--help,/C1,/A5", 1, 5, 0, false, false, false, false, 0, false},
};

TEST(ParseCaptureParam, FollowsTheGrammarTokenByToken)
{
    for (const ParseCase& c : ParseCases) {
        SCOPED_TRACE(c.text);
        const CaptureRequest r = ParseCaptureParam(QString::fromUtf8(c.text));
        EXPECT_EQ(r.CaptureKind, c.kind);
        EXPECT_EQ(r.AfterAction, c.action);
        EXPECT_EQ(r.PointMode, c.pointMode);
        EXPECT_EQ(r.Client, c.client);
        EXPECT_EQ(r.Mouse, c.mouse);
        EXPECT_EQ(r.Trim, c.trim);
        EXPECT_EQ(r.TimerOn, c.timerOn);
        EXPECT_EQ(r.TimerSeconds, c.seconds);
        EXPECT_EQ(r.StayResident, c.stay);
    }
}

TEST(ParseCaptureParam, ContinuousSaveFieldsAreCarriedNotApplied)
{
    const CaptureRequest full = ParseCaptureParam(QStringLiteral("/C1,/A5;/srv/shots;3;shot;_x"));
    ASSERT_TRUE(full.AutoSave);
    EXPECT_EQ(full.AutoSave->Dir, QStringLiteral("/srv/shots"));
    EXPECT_EQ(full.AutoSave->SaveType, 3);
    EXPECT_EQ(full.AutoSave->File, QStringLiteral("shot"));
    EXPECT_EQ(full.AutoSave->FileAfter, QStringLiteral("_x"));

    const CaptureRequest bare = ParseCaptureParam(QStringLiteral("/C1,/A5"));
    ASSERT_TRUE(bare.AutoSave);
    EXPECT_EQ(*bare.AutoSave, AutoSaveOverride{});

    const CaptureRequest partial = ParseCaptureParam(QStringLiteral("/A5;;x"));
    ASSERT_TRUE(partial.AutoSave);
    EXPECT_EQ(partial.AutoSave->Dir, QString()); // present but empty
    EXPECT_FALSE(partial.AutoSave->SaveType) << "a save type that is no number";
    EXPECT_FALSE(partial.AutoSave->File);

    EXPECT_FALSE(ParseCaptureParam(QStringLiteral("/A5;;99")).AutoSave->SaveType)
        << "no such save type";
    EXPECT_FALSE(ParseCaptureParam(QStringLiteral("/A6;/tmp")).AutoSave) << "only action 5";
}

TEST(ParseCaptureParam, SaveTypesAreNamedOrNumbered)
{
    const std::pair<const char*, int> named[] = {{"BMP", 1},  {"jpg", 9}, {"JPEG", 9}, {"Png", 10},
                                                 {"GIF", 11}, {"2", 2},   {"11", 11}};
    for (const auto& [name, type] : named) {
        SCOPED_TRACE(name);
        const QString token = QStringLiteral("/A5;/srv;%1").arg(QString::fromLatin1(name));
        EXPECT_EQ(ParseCaptureParam(token).AutoSave->SaveType, type);
        EXPECT_EQ(CaptureParamProblem(token), QString());
    }
}

TEST(CaptureParamProblem, NamesTheFirstTokenTheGrammarDoesNotKnow)
{
    EXPECT_EQ(CaptureParamProblem(QStringLiteral(
                  ",/C1,/A5;/srv/a b;JPG;shot;_x,/L,/M,/R,/T5,/T45,/U,/W,/W2,/C,/A,/A9")),
              QString());
    for (const char* text : {"/C9", "/X", "/c1", "/C12", "/A0", "/A9extra", "/A6;/tmp", "/W3", "/T",
                             "/T100", "/Tx", "/MM", "/A5;/srv;1;a;b;c"}) {
        SCOPED_TRACE(text);
        const QString problem = CaptureParamProblem(QStringLiteral("/C1,/A5,") + text);
        EXPECT_TRUE(problem.contains(QString::fromLatin1(text))) << problem.toStdString();
    }
    for (const char* type : {"TIFF", "0", "12", "JPG2"}) {
        SCOPED_TRACE(type);
        const QString problem =
            CaptureParamProblem(QStringLiteral("/C1,/A5;/srv;%1").arg(QString::fromLatin1(type)));
        EXPECT_TRUE(
            problem.contains(QStringLiteral("保存形式「%1」").arg(QString::fromLatin1(type))))
            << problem.toStdString();
        EXPECT_FALSE(ParseCaptureParam(QStringLiteral("/A5;d;%1").arg(QString::fromLatin1(type)))
                         .AutoSave->SaveType)
            << "a hotkey entry keeps the setting as it was";
    }
}

TEST(ApplyAutoSaveOverride, ReplacesPresentFieldsAndTurnsOverwritingOff)
{
    Settings settings;
    settings.AUTOSAVE.DIR = QStringLiteral("/home/u");
    settings.AUTOSAVE.SAVETYPE = 10;
    settings.AUTOSAVE.FILE = QStringLiteral("cap");
    settings.AUTOSAVE.FILEAFTER = QStringLiteral("_a");
    settings.AUTOSAVE.OVERWRITE = true;

    ApplyAutoSaveOverride(*ParseCaptureParam(QStringLiteral("/A5")).AutoSave, settings);
    EXPECT_FALSE(settings.AUTOSAVE.OVERWRITE);
    EXPECT_EQ(settings.AUTOSAVE.DIR, QStringLiteral("/home/u"));
    EXPECT_EQ(settings.AUTOSAVE.SAVETYPE, 10);

    ApplyAutoSaveOverride(*ParseCaptureParam(QStringLiteral("/A5;/srv;9;shot;_x")).AutoSave,
                          settings);
    EXPECT_EQ(settings.AUTOSAVE.DIR, QStringLiteral("/srv"));
    EXPECT_EQ(settings.AUTOSAVE.SAVETYPE, 9);
    EXPECT_EQ(settings.AUTOSAVE.FILE, QStringLiteral("shot"));
    EXPECT_EQ(settings.AUTOSAVE.FILEAFTER, QStringLiteral("_x"));
}

TEST(AutoSaveRestore, TakesBackOnlyTheFieldsThatStillHoldTheOverride)
{
    Settings settings;
    settings.AUTOSAVE.DIR = QStringLiteral("/home/u");
    settings.AUTOSAVE.SAVETYPE = 10;
    settings.AUTOSAVE.FILE = QStringLiteral("cap");
    settings.AUTOSAVE.OVERWRITE = true;
    AutoSaveRestore restore;
    restore.apply(*ParseCaptureParam(QStringLiteral("/A5;/srv;9;shot")).AutoSave, settings);
    restore.apply(*ParseCaptureParam(QStringLiteral("/A5;/srv2")).AutoSave, settings);
    settings.AUTOSAVE.FILE = QStringLiteral("mine"); // the user's change meanwhile
    settings.AUTOSAVE.AUTONOKETA = 5;

    AutoSaveRestore::Section stored = settings.AUTOSAVE;
    restore.restoreInto(stored);
    EXPECT_EQ(stored.DIR, QStringLiteral("/home/u")) << "back to before the first override";
    EXPECT_EQ(stored.SAVETYPE, 10);
    EXPECT_EQ(stored.FILE, QStringLiteral("mine"));
    EXPECT_EQ(stored.AUTONOKETA, 5);
    EXPECT_TRUE(stored.OVERWRITE);

    AutoSaveRestore unchanged; // an override that changed nothing has nothing to take back
    unchanged.apply(*ParseCaptureParam(QStringLiteral("/A5;/srv2")).AutoSave, settings);
    EXPECT_TRUE(unchanged.empty());
}

TEST(FormatCaptureParam, WritesTheTokensInTheirOrder)
{
    CaptureRequest r;
    r.CaptureKind = 1;
    r.AfterAction = 6;
    r.Mouse = true;
    r.TimerOn = true;
    r.TimerSeconds = 5;
    EXPECT_EQ(FormatCaptureParam(r), QStringLiteral("/C1,/A6,/M,/T5"));

    CaptureRequest asking = ParseCaptureParam(QStringLiteral("/C,/A5;/srv;3,/L,/M,/R,/U,/W2"));
    asking.AfterAction = 99;
    EXPECT_EQ(FormatCaptureParam(asking), QStringLiteral("/C,/A,/L,/M,/R,/U"))
        << "no point mode and no continuous-save fields";

    CaptureRequest kindOnly;
    kindOnly.CaptureKind = 2;
    EXPECT_EQ(FormatCaptureParam(kindOnly), QString()) << "no action";
    CaptureRequest actionOnly;
    actionOnly.AfterAction = 3;
    EXPECT_EQ(FormatCaptureParam(actionOnly), QString()) << "no kind";
}

TEST(FormatCaptureParam, RoundTripsThroughTheParser)
{
    for (const char* text : {"/C1,/A6,/M,/T5", "/C3,/A9,/L,/R,/T0", "/C,/A", "/C2,/A5,/U"}) {
        SCOPED_TRACE(text);
        const CaptureRequest parsed = ParseCaptureParam(QString::fromLatin1(text));
        EXPECT_EQ(FormatCaptureParam(parsed), QString::fromLatin1(text));
    }
}

} // namespace

TEST(ParseCaptureParam, RegionsAreAskedGivenOrTheLastOne)
{
    EXPECT_EQ(ParseCaptureParam(QStringLiteral("/C4,/A5")).CaptureKind, 4);
    const CaptureRequest given = ParseCaptureParam(QStringLiteral("/C4;10;-20;300;40,/A6"));
    EXPECT_EQ(given.CaptureKind, 4);
    EXPECT_EQ(given.Region, QRect(10, -20, 300, 40));
    EXPECT_TRUE(ParseCaptureParam(QStringLiteral("/C4;last,/A6")).LastRegion);
    for (const char* text : {"/C4;last", "/C4;1;2;3;4", "/C4"})
        EXPECT_EQ(FormatCaptureParam(ParseCaptureParam(QStringLiteral("%1,/A5").arg(text))),
                  QStringLiteral("%1,/A5").arg(text));
    for (const char* text : {"/C4;1;2;0;4", "/C4;1;2;3", "/C4;a;b;c;d", "/C3;1;2;3;4", "/C5"})
        EXPECT_FALSE(CaptureParamProblem(QString::fromLatin1(text)).isEmpty()) << text;
}
