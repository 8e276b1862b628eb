#include "output/AfterActions.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vistrel;

namespace {

// Records the calls in order; the answers are set by each test.
class RecordingHost : public AfterActionHost {
public:
    QStringList calls;
    bool pictureShown = true;
    bool saveAsWrites = true;
    std::optional<QString> savedName = QStringLiteral("Vist001.bmp");
    bool failWrite = false;
    QString printStatus = QStringLiteral("印刷が完了しました。");
    QString mailStatus = QStringLiteral("メール送信画面を表示しました。");

    bool saveAs(int family) override
    {
        calls << QStringLiteral("saveAs %1").arg(family);
        if (failWrite)
            throw std::runtime_error("cannot write");
        return saveAsWrites;
    }
    std::optional<QString> continuousSave() override
    {
        calls << QStringLiteral("continuousSave");
        return savedName;
    }
    void copyToClipboard() override { calls << QStringLiteral("copy"); }
    QString printCurrentImage() override
    {
        calls << QStringLiteral("print");
        return printStatus;
    }
    QString sendCurrentImageByMail() override
    {
        calls << QStringLiteral("mail");
        return mailStatus;
    }
    void showCurrentImage() override { calls << QStringLiteral("show"); }
    void showStatusMessage(const QString& text) override { calls << "status " + text; }
    bool checkPictureShown() override
    {
        calls << QStringLiteral("check");
        return pictureShown;
    }
    void endEditMode() override { calls << QStringLiteral("endEdit"); }
    void copyViewToCurrentImage() override { calls << QStringLiteral("copyView"); }
    void setBusy(bool busy) override { calls << (busy ? "busy" : "idle"); }
};

class AfterActionsTest : public ::testing::Test {
protected:
    RecordingHost host;
    AfterActions actions{host};
};

} // namespace

TEST_F(AfterActionsTest, EachCodeReportsItsOwnResult)
{
    const std::pair<int, QStringList> cases[] = {
        {1, {"saveAs 1", "status ファイルに保存しました。"}},
        {4, {"saveAs 4", "status ファイルに保存しました。"}},
        {5,
         {"continuousSave",
          "status 連続保存によりファイルへ出力しました。[ファイル名 = Vist001.bmp]"}},
        {7, {"print", "status 印刷が完了しました。"}},
        {8, {"mail", "status メール送信画面を表示しました。"}},
        {9, {"show", "status "}},
        {0, {"status "}},
        {6, {"copy", "status クリップボードへコピーしました。"}},
        {99, {"status "}},
        {-1, {"status "}},
    };
    for (const auto& [code, expected] : cases) {
        host.calls.clear();
        actions.PerformAfterAction(code);
        EXPECT_EQ(host.calls, expected) << code;
    }
}

TEST_F(AfterActionsTest, NothingWrittenClearsTheMessageAndIsNotDone)
{
    EXPECT_TRUE(actions.PerformAfterAction(2));
    EXPECT_TRUE(actions.PerformAfterAction(9));
    EXPECT_FALSE(actions.PerformAfterAction(0));
    host.calls.clear();
    host.saveAsWrites = false;
    host.savedName.reset();
    EXPECT_FALSE(actions.PerformAfterAction(2));
    EXPECT_FALSE(actions.PerformAfterAction(5));
    EXPECT_EQ(host.calls, (QStringList{"saveAs 2", "status ", "continuousSave", "status "}));
}

TEST_F(AfterActionsTest, WriteErrorClearsTheMessageAndPassesOn)
{
    host.failWrite = true;
    EXPECT_THROW(actions.mnuFileSaveClick(1), std::runtime_error);
    EXPECT_EQ(host.calls.last(), "status ");
}

TEST_F(AfterActionsTest, SaveCommandAnnouncesEndsEditCopiesThenSaves)
{
    host.saveAsWrites = false; // cancelled: the panel ends empty
    actions.mnuFileSaveClick(3);
    EXPECT_EQ(host.calls, (QStringList{"check", "status 保存するファイルを指定しています...",
                                       "endEdit", "copyView", "saveAs 3", "status "}));
    host.calls.clear();
    actions.mnuFileSaveClick(7); // another tag stops after the copy
    EXPECT_EQ(host.calls, (QStringList{"check", "status 保存するファイルを指定しています...",
                                       "endEdit", "copyView"}));
}

TEST_F(AfterActionsTest, AutoSaveCommandRunsUnderTheHourglass)
{
    actions.mnuFileAutoSaveClick();
    EXPECT_EQ(
        host.calls,
        (QStringList{"check", "busy", "copyView", "continuousSave",
                     "status 連続保存によりファイルへ出力しました。[ファイル名 = Vist001.bmp]",
                     "idle"}));
}

TEST_F(AfterActionsTest, PrintAndMailCommandsRunUnderTheHourglass)
{
    host.mailStatus = QStringLiteral("メールを送信しました。"); // sent without a window
    actions.mnuFilePrintClick();
    actions.mnuFileSendMailClick();
    EXPECT_EQ(host.calls,
              (QStringList{"check", "busy", "status 印刷中です。しばらくお待ちください...",
                           "copyView", "print", "status 印刷が完了しました。", "idle", "check",
                           "busy", "copyView", "mail", "status メールを送信しました。", "idle"}));
}

TEST_F(AfterActionsTest, EmptyViewStopsTheCommands)
{
    host.pictureShown = false;
    actions.mnuFileSaveClick(1);
    actions.mnuFileAutoSaveClick();
    EXPECT_EQ(host.calls, (QStringList{"check", "check"}));
}

TEST(AfterActionCommands, MenuCaptureClicksTheItemOfTheCode)
{
    const QStringList expected{"",
                               "mnuFileSave",
                               "mnuFileJSave",
                               "mnuFilePSave",
                               "mnuFileGSave",
                               "mnuFileAutoSave",
                               "mnuEditCopy",
                               "mnuFilePrint",
                               "mnuFileSendMail",
                               ""};
    for (int code = 0; code < expected.size(); ++code)
        EXPECT_EQ(AfterActions::commandForAfterAction(code), expected[code]) << code;
    EXPECT_EQ(AfterActions::commandForAfterAction(-1), "");
}
