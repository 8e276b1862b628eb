#include "app/CommandLineRun.h"

#include "app/RequestResult.h"
#include "output/SavesBySettings.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/ProgramFolder.h"

#include <exception>

namespace vistrel {

namespace {
constexpr int ContinuousSaveAction = 5;
} // namespace

CommandLineRun::CommandLineRun(Platform& platform)
    : m_platform(platform), m_store(platform.settingsFolder(), DefaultDataFolder())
{}

bool CommandLineRun::handles(const CaptureRequest& request)
{
    // A region asked for needs the still screen, a window: only a given one runs here.
    const bool givenRegion =
        request.CaptureKind == Region && (request.Region || request.LastRegion);
    const bool kindKnown =
        request.CaptureKind == FullScreen || request.CaptureKind == ActiveWindow || givenRegion;
    return kindKnown && request.AfterAction == ContinuousSaveAction && !request.TimerOn &&
           !request.StayResident;
}

int CommandLineRun::run(const CaptureRequest& request)
{
    Settings settings = m_store.load();
    if (!m_store.loadProblem().isEmpty())
        ReportOnStandardError(m_store.loadProblem());
    clampToUsableRanges(settings);
    m_settings = &settings;
    CaptureEngine engine(m_platform, settings, m_current);
    engine.regionTaken = [&settings](const QRect& rect) {
        settings.ALL.LASTREGION = FormatRegionText(rect);
    };
    RequestCapture requests(engine, settings, m_current, *this);
    m_requests = &requests;
    if (request.Mouse && !m_platform.abilities().pointerInPicture)
        ReportOnStandardError(QString::fromUtf8(PointerNotInPictureText));
    RequestResult reported;
    {
        const CollectedMessages collected;
        try {
            requests.CaptureByHotkey(request, true);
        } catch (const std::exception& error) {
            MessageBox::error(QString::fromUtf8(error.what()));
        }
        reported =
            SummariseRequest(requests.lastOutcome(), requests.lastAction(), collected.messages());
    }
    const CollectedMessages atExit;
    try {
        if (settings.ALL.APCLOSE || !m_platform.systemTrayAvailable())
            runExitSteps();
    } catch (const std::exception& error) {
        MessageBox::error(QString::fromUtf8(error.what()));
    }
    if (reported.exitCode == 0) // settings that cannot be saved fail the run too
        reported = SummariseRequest(RequestCapture::Outcome::Done, requests.lastAction(),
                                    atExit.messages());
    ReportOnStandardError(reported.reason);
    m_settings = nullptr;
    m_requests = nullptr;
    return reported.exitCode;
}

void CommandLineRun::runExitSteps()
{
    // The window was never shown: its stored place, size and state stay as they were.
    // No tab was made, so there are no tab pictures to remove.
    Settings stored = *m_settings;
    // A continuous-save override on the command line lasts for this run only.
    m_requests->runOverride().restoreInto(stored.AUTOSAVE);
    m_store.save(stored, m_settings->SCREEN.WINDOWSTATE != 0);
}

bool CommandLineRun::PerformAfterAction(int code)
{
    return AfterActions(*this).PerformAfterAction(code);
}

void CommandLineRun::showMessage(const QString& text)
{
    MessageBox::information(text);
}

std::optional<QString> CommandLineRun::continuousSave()
{
    return ContinuousSaveBySettings(m_current, *m_settings);
}

} // namespace vistrel
