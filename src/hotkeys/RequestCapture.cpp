#include "hotkeys/RequestCapture.h"

#include "hotkeys/CaptureParam.h"
#include "output/AfterActionAvailability.h"
#include "settings/Settings.h"

namespace vistrel {

namespace {

constexpr int Ask = 99;
constexpr int PreviewAction = 9;

CaptureOptions optionsOf(const CaptureRequest& request)
{
    CaptureOptions options;
    options.Client = request.Client;
    options.Mouse = request.Mouse;
    options.Trim = request.Trim;
    options.TimerOn = request.TimerOn;
    options.TimerSeconds = request.TimerSeconds;
    options.PointMode = request.PointMode;
    options.Region = request.Region;
    options.LastRegion = request.LastRegion;
    return options;
}

// Takes a request's own override back however the request ends.
class TakeBackOnExit {
public:
    TakeBackOnExit(const AutoSaveRestore& fields, Settings& settings)
        : m_fields(fields), m_settings(settings)
    {}
    ~TakeBackOnExit() { m_fields.restoreInto(m_settings.AUTOSAVE); }
    TakeBackOnExit(const TakeBackOnExit&) = delete;
    TakeBackOnExit& operator=(const TakeBackOnExit&) = delete;

private:
    const AutoSaveRestore& m_fields;
    Settings& m_settings;
};

} // namespace

RequestCapture::RequestCapture(CaptureEngine& engine, Settings& settings, QImage& currentImage,
                               RequestHost& host)
    : m_engine(engine), m_settings(settings), m_currentImage(currentImage), m_host(host)
{}

bool RequestCapture::CaptureByHotkey(const CaptureRequest& request, bool fromCommandLine)
{
    m_outcome = Outcome::NotRun;
    m_action = request.AfterAction;
    if (request.CaptureKind == 0 || request.AfterAction == 0)
        return false;
    // An action that cannot be carried out is refused before anything is captured.
    if (request.AfterAction != Ask && !IsAfterActionAvailable(request.AfterAction)) {
        m_outcome = Outcome::Unavailable;
        return true;
    }
    // The continuous-save fields change the settings only when a request runs.
    AutoSaveRestore requestOverride;
    const TakeBackOnExit takeBack{requestOverride, m_settings};
    if (request.AutoSave) {
        if (handedOver)
            requestOverride.apply(*request.AutoSave, m_settings);
        else if (fromCommandLine)
            m_runOverride.apply(*request.AutoSave, m_settings);
        else
            ApplyAutoSaveOverride(*request.AutoSave, m_settings);
    }
    return carryOut(request, fromCommandLine);
}

bool RequestCapture::carryOut(const CaptureRequest& request, bool fromCommandLine)
{
    int kind = request.CaptureKind;
    CaptureOptions options = optionsOf(request);
    if (kind == Ask) {
        kind = m_host.AskCaptureKind(options);
        options.PointMode = 0; // a window or control chosen here is picked by the user
        if (kind == 0) {
            m_outcome = Outcome::Cancelled;
            return true;
        }
    }
    m_engine.options = options;

    const bool visible = m_host.isMainWindowVisible();
    m_host.hideForCapture();
    if (!hotkeyInProgress && kind == ActiveWindow)
        m_engine.ActivatePreviousWindow();
    const int status = captureWithRestore(kind, visible, fromCommandLine);

    m_host.bringToFront();
    if (status == 0) {
        m_outcome = Outcome::Aborted;
        m_host.showMessage(QStringLiteral("キャプチャ処理が中断されました"));
        finish(0, visible, fromCommandLine);
        return true;
    }
    int action = request.AfterAction;
    if (action == Ask)
        m_action = action = m_host.AskAfterAction(m_currentImage.copy());
    if (action == 0)
        m_outcome = Outcome::Cancelled;
    else if (!IsAfterActionAvailable(action))
        m_outcome = Outcome::Unavailable;
    else
        m_outcome = perform(action, visible, fromCommandLine) ? Outcome::Done : Outcome::NotDone;
    finish(action, visible, fromCommandLine);
    return true;
}

bool RequestCapture::perform(int action, bool visible, bool fromCommandLine)
{
    try {
        return m_host.PerformAfterAction(action);
    } catch (...) {
        m_outcome = Outcome::Failed;
        finish(0, visible, fromCommandLine); // never leave the program invisible
        throw;
    }
}

int RequestCapture::captureWithRestore(int kind, bool visible, bool fromCommandLine)
{
    try {
        return m_engine.CaptureScreen(kind);
    } catch (...) {
        m_outcome = Outcome::Failed;
        finish(0, visible, fromCommandLine);
        throw;
    }
}

void RequestCapture::finish(int action, bool visible, bool fromCommandLine)
{
    // From the command line the start-up decides what is shown.
    if (fromCommandLine)
        return;
    m_host.restoreAfterCapture(visible || action == PreviewAction);
}

} // namespace vistrel
