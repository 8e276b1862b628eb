#include "app/CommandLine.h"
#include "app/RequestResult.h"
#include "output/AfterActionAvailability.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel;

TEST(CommandLine, SplitsTokensFromPicturesAndResolvesThemFromTheStartFolder)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString work = folder.path();

    const CommandLine capture =
        ParseCommandLine({"/C3", "/A5;/srv/shots/x;10", "/W2", "--unknown", "/U,/M"}, work);
    EXPECT_TRUE(capture.pictures.isEmpty());
    EXPECT_TRUE(capture.hasCapture());
    EXPECT_EQ(capture.request.CaptureKind, 3);
    EXPECT_EQ(capture.request.PointMode, 2);
    EXPECT_TRUE(capture.request.StayResident && capture.request.Mouse);
    EXPECT_EQ(capture.request.AutoSave->Dir, QStringLiteral("/srv/shots/x"));

    const CommandLine pictures =
        ParseCommandLine({"shot.png", "/home/u/missing.png", "file:///tmp/a%20b.png", "/A6"}, work);
    EXPECT_EQ(pictures.pictures,
              (QStringList{work + "/shot.png", "/home/u/missing.png", "/tmp/a b.png"}));
    EXPECT_FALSE(pictures.hasCapture()) << "an action alone is no capture";
    EXPECT_EQ(pictures.request.AfterAction, 6);
}

TEST(CommandLine, UnknownTokensAreNamedButQtOptionsAndPicturesAreLeftAlone)
{
    QTemporaryDir folder;
    const QString work = folder.path();
    EXPECT_TRUE(ParseCommandLine({"/C9", "/A5"}, work).problem.contains("/C9"));
    EXPECT_TRUE(ParseCommandLine({"/C1", "/A5,/X"}, work).problem.contains("/X"));
    EXPECT_TRUE(ParseCommandLine({"/C1", "/A5;/srv;TIFF"}, work).problem.contains("TIFF"));
    EXPECT_EQ(
        ParseCommandLine({"-platform", "offscreen", "--unknown", "/A6", "/home/u/a.png"}, work)
            .problem,
        QString());
    const QString refused =
        RefusedCommandLineText(QStringLiteral("「/C9」は指定できないオプションです。"));
    EXPECT_TRUE(refused.startsWith(QStringLiteral("vistrel: 「/C9」")));
    EXPECT_TRUE(refused.endsWith(UsageText()));
}

TEST(CommandLine, HelpListsOnlyTheActionsThatCanBeCarriedOut)
{
    const QString usage = UsageText();
    for (int code = 1; code <= 9; ++code)
        EXPECT_EQ(usage.contains(QStringLiteral("  /A%1 ").arg(code)), IsAfterActionAvailable(code))
            << code;
}

TEST(RequestResult, OnlyADoneRequestWithoutErrorsSucceedsAndEveryFailureSaysWhy)
{
    using Outcome = RequestCapture::Outcome;
    const QList<CollectedMessages::Message> none;
    const QList<CollectedMessages::Message> folderMissing{{false, "folder missing"}};
    const QList<CollectedMessages::Message> cannotSave{{false, "note"}, {true, "cannot save"}};

    EXPECT_EQ(SummariseRequest(Outcome::Done, 5, none), (RequestResult{0, ""}));
    EXPECT_EQ(SummariseRequest(Outcome::Done, 5, cannotSave), (RequestResult{1, "cannot save"}));
    EXPECT_EQ(SummariseRequest(Outcome::NotDone, 5, folderMissing),
              (RequestResult{1, "folder missing"}));
    EXPECT_TRUE(SummariseRequest(Outcome::Unavailable, 7, none)
                    .reason.contains(QStringLiteral("使用できません")));
    const QString noPrinter = QStringLiteral("印刷するプリンタがありません。");
    EXPECT_EQ(SummariseRequest(Outcome::NotDone, 7, none, noPrinter), (RequestResult{1, noPrinter}))
        << "the status bar's reason, not only that it did not complete";
    EXPECT_EQ(SummariseRequest(Outcome::Done, 7, none, QStringLiteral("印刷しました")).exitCode, 0);
    for (const Outcome outcome : {Outcome::NotRun, Outcome::Aborted, Outcome::Cancelled,
                                  Outcome::Failed, Outcome::NotDone}) {
        const RequestResult result = SummariseRequest(outcome, 1, none);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_FALSE(result.reason.isEmpty());
    }
}
