#include "hotkeys/RequestCapture.h"
#include "hotkeys/CaptureParam.h"
#include "output/AfterActionAvailability.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vistrel;

namespace {

// Records what the capture asks of the main window; the answers are scripted.
class ScriptedHost : public RequestHost {
public:
    QStringList calls;
    bool visible = false;
    int kindAnswer = 0;
    CaptureOptions kindOptions;
    int actionAnswer = 0;
    QImage askedPicture;
    bool actionThrows = false;
    bool actionDone = true;

    bool isMainWindowVisible() const override { return visible; }
    void hideForCapture() override
    {
        calls << QStringLiteral("hide");
        visible = false;
    }
    void restoreAfterCapture(bool show) override
    {
        calls << (show ? QStringLiteral("restore:shown") : QStringLiteral("restore:hidden"));
        visible = show;
    }
    void bringToFront() override { calls << QStringLiteral("front"); }
    int AskCaptureKind(CaptureOptions& options) override
    {
        calls << QStringLiteral("askKind");
        if (kindAnswer != 0)
            options = kindOptions;
        return kindAnswer;
    }
    int AskAfterAction(const QImage& picture) override
    {
        calls << QStringLiteral("askAction");
        askedPicture = picture;
        return actionAnswer;
    }
    bool PerformAfterAction(int code) override
    {
        calls << QStringLiteral("action%1").arg(code);
        if (actionThrows)
            throw std::runtime_error("disk full");
        return actionDone;
    }
    void showMessage(const QString& text) override { calls << QStringLiteral("message:") + text; }
};

class RequestCaptureTest : public testing::Test {
protected:
    RequestCaptureTest()
    {
        engine.wait = [](int) {};
        settings.AUTOSAVE.DIR = QStringLiteral("/home/u/shots");
        settings.AUTOSAVE.OVERWRITE = true;
        front = platform.addWindow({QRect(10, 10, 200, 100), QRect(10, 30, 200, 80), "front"});
        own = platform.addWindow({QRect(0, 0, 50, 50), QRect(0, 0, 50, 50), "Vistrel"});
        platform.window(own).isOwn = true;
        platform.stacking = {own, front};
        platform.foreground = own;
    }

    bool run(const char* param, bool fromCommandLine = false)
    {
        return requests.CaptureByHotkey(ParseCaptureParam(QString::fromUtf8(param)),
                                        fromCommandLine);
    }

    FakePlatform platform;
    Settings settings;
    QImage current;
    CaptureEngine engine{platform, settings, current};
    ScriptedHost host;
    RequestCapture requests{engine, settings, current, host};
    WindowId front = 0;
    WindowId own = 0;
};

} // namespace

TEST_F(RequestCaptureTest, NoKindOrNoActionDoesNothingAndLeavesTheSettings)
{
    EXPECT_FALSE(run("/C5,/A5;/elsewhere"));
    EXPECT_FALSE(run("/C1"));
    EXPECT_FALSE(run(""));
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(platform.grabCount, 0);
    EXPECT_EQ(settings.AUTOSAVE.DIR, QStringLiteral("/home/u/shots"));
    EXPECT_TRUE(settings.AUTOSAVE.OVERWRITE);
    EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::NotRun);
}

TEST_F(RequestCaptureTest, HiddenWindowStaysHiddenAndTheRequestsActionRuns)
{
    EXPECT_TRUE(run("/C1,/A5;/srv/shots;10"));
    EXPECT_EQ(host.calls, (QStringList{"hide", "front", "action5", "restore:hidden"}));
    EXPECT_EQ(current.size(), platform.screen.size());
    EXPECT_EQ(settings.AUTOSAVE.DIR, QStringLiteral("/srv/shots")) << "applied when carried out";
    EXPECT_EQ(settings.AUTOSAVE.SAVETYPE, 10);
    EXPECT_FALSE(settings.AUTOSAVE.OVERWRITE);
    EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::Done);
}

TEST_F(RequestCaptureTest, VisibleWindowComesBackAndPreviewShowsAHiddenOne)
{
    host.visible = true;
    run("/C1,/A1");
    EXPECT_EQ(host.calls.last(), QStringLiteral("restore:shown"));
    host.visible = false;
    run("/C1,/A9");
    EXPECT_EQ(host.calls.last(), QStringLiteral("restore:shown")) << "action 9 shows the picture";
}

TEST_F(RequestCaptureTest, CommandLineLeavesTheVisibilityToTheStartUp)
{
    run("/C1,/A9", true);
    EXPECT_EQ(host.calls, (QStringList{"hide", "front", "action9"}));
}

TEST_F(RequestCaptureTest, ActiveWindowFromTheTrayActivatesThePreviousWindowButNotFromAHotkey)
{
    run("/C2,/A1");
    EXPECT_EQ(platform.foreground, front) << "the tray menu took the activation away";
    EXPECT_EQ(current.size(), QSize(200, 100));

    platform.foreground = own;
    requests.hotkeyInProgress = true;
    run("/C2,/A1");
    EXPECT_EQ(platform.foreground, own) << "a hotkey leaves the window in front alone";
}

TEST_F(RequestCaptureTest, AskedKindCancelledDoesNotHideOrCapture)
{
    EXPECT_TRUE(run("/C,/A5;/elsewhere"));
    EXPECT_EQ(host.calls, QStringList{"askKind"});
    EXPECT_EQ(platform.grabCount, 0);
    EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::Cancelled);
}

TEST_F(RequestCaptureTest, AskedKindTakesTheDialogsOptionsAndPicksInteractively)
{
    host.kindAnswer = 3;
    host.kindOptions.Client = true;
    platform.cursor = {50, 50};
    platform.pickScript = {{PickEvent::Kind::Moved, {60, 60}}, {PickEvent::Kind::Confirm, {}}};
    run("/C,/A1,/W2");
    EXPECT_EQ(engine.options.PointMode, 0) << "the point mode is dropped";
    EXPECT_TRUE(engine.options.Client);
    EXPECT_EQ(host.calls.mid(0, 2), (QStringList{"askKind", "hide"}));
}

TEST_F(RequestCaptureTest, AskedActionSeesThePictureAndMayBeCancelled)
{
    host.actionAnswer = 2;
    run("/C1,/A");
    EXPECT_EQ(host.askedPicture.size(), platform.screen.size());
    EXPECT_TRUE(host.calls.contains("action2"));

    host.calls.clear();
    host.actionAnswer = 0;
    run("/C1,/A");
    EXPECT_EQ(host.calls, (QStringList{"hide", "front", "askAction", "restore:hidden"}));
    EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::Cancelled);
}

TEST_F(RequestCaptureTest, AbortedCaptureReportsAndRunsNoAction)
{
    platform.pickScript = {{PickEvent::Kind::Cancel, {}}};
    host.visible = true;
    EXPECT_TRUE(run("/C3,/A5"));
    EXPECT_EQ(host.calls, (QStringList{"hide", "front", "message:キャプチャ処理が中断されました",
                                       "restore:shown"}));
    EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::Aborted);
}

TEST_F(RequestCaptureTest, FailedActionStillRestoresTheWindow)
{
    host.visible = true;
    host.actionThrows = true;
    EXPECT_THROW(run("/C1,/A5"), std::runtime_error);
    EXPECT_EQ(host.calls.last(), QStringLiteral("restore:shown"));
    EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::Failed);
}

TEST_F(RequestCaptureTest, ActionThatIsNotBuiltOrDidNothingIsNotReportedAsDone)
{
    for (int code = 1; code <= 9; ++code) {
        if (IsAfterActionAvailable(code))
            continue;
        host.calls.clear();
        const int grabs = platform.grabCount;
        EXPECT_TRUE(run(QStringLiteral("/C1,/A%1").arg(code).toUtf8().constData()));
        EXPECT_TRUE(host.calls.isEmpty()) << "refused before capturing: " << code;
        EXPECT_EQ(platform.grabCount, grabs);
        EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::Unavailable);
        EXPECT_EQ(requests.lastAction(), code);

        host.actionAnswer = code; // chosen in the question after the capture
        run("/C1,/A");
        EXPECT_FALSE(host.calls.contains(QStringLiteral("action%1").arg(code)));
        EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::Unavailable);
    }

    host.actionDone = false; // a cancelled dialog, a missing folder
    run("/C1,/A5");
    EXPECT_EQ(requests.lastOutcome(), RequestCapture::Outcome::NotDone);
}
