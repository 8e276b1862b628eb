#include "capture/MenuCapture.h"

#include "capture/CaptureEngine.h"
#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"
#include "settings/Settings.h"

namespace vistrel {

MenuCapture::MenuCapture(CaptureEngine& engine, ImageDocument& document, StatusPanels& status,
                         Platform& platform, Settings& settings, CaptureHost& host)
    : m_engine(engine)
    , m_document(document)
    , m_status(status)
    , m_platform(platform)
    , m_settings(settings)
    , m_host(host)
{}

namespace {

// Shows the program again however the capture ends, unless it already has.
class ShowAgain {
public:
    explicit ShowAgain(CaptureHost& host) : m_host(host) {}
    ~ShowAgain()
    {
        if (m_pending)
            m_host.showAfterCapture();
    }
    ShowAgain(const ShowAgain&) = delete;
    ShowAgain& operator=(const ShowAgain&) = delete;
    void now()
    {
        m_pending = false;
        m_host.showAfterCapture();
    }

private:
    CaptureHost& m_host;
    bool m_pending = true;
};

} // namespace

void MenuCapture::CaptureFromMenu(int kind, bool timer, bool lastRegion)
{
    // One capture at a time: a hotkey or a second menu command during this one
    // (its countdown, its after-capture dialog) is dropped.
    if (m_engine.busy)
        return;
    const CaptureEngine::BusyScope busy(m_engine);
    m_host.endEditMode();
    // The capture replaces the current image: a picture edited without a tab gets one first.
    m_document.storeSelectedTab();
    m_host.hideForCapture();
    ShowAgain showAgain(m_host);

    CaptureOptions& options = m_engine.options;
    options.Client = m_settings.MAIN.CLIENT;
    options.Mouse = m_settings.MAIN.MOUSE;
    options.Trim = m_settings.MAIN.TRIM;
    options.TimerOn = timer;
    options.TimerSeconds = m_settings.TIMER.MINUTE;
    options.PointMode = 0;
    options.Region.reset();
    options.LastRegion = lastRegion;

    if (kind == ActiveWindow)
        m_engine.ActivatePreviousWindow();
    if (const PlatformAbilities abilities = m_platform.abilities();
        kind == ActiveWindow && !abilities.activeWindowNote.isEmpty())
        m_status.ShowStatusMessage(abilities.activeWindowNote);
    else if (kind == WindowOrControl && m_settings.ALL.AUTOSCROLL &&
             !abilities.scrollNote.isEmpty())
        m_status.ShowStatusMessage(abilities.scrollNote);
    const int status = m_engine.CaptureScreen(kind);

    if (status != 0) {
        // The capture gets a tab of its own; every other tab keeps its picture and history.
        const bool withinMaximum =
            m_document.AddCaptureTab(CaptureTabTitle(m_platform, kind, m_engine.lastTarget()));
        QString done =
            m_engine.scrollMayBeIncomplete()
                ? QStringLiteral(
                      "画面キャプチャが完了しました(スクロールの途中で位置を確かめられず、"
                      "画像が途中までの可能性があります)")
                : QStringLiteral("画面キャプチャが正常に完了しました");
        if (!withinMaximum)
            done += QStringLiteral(" / ") +
                    ImageDocument::tabMaximumPassedText(m_settings.RIREKI.RIREKICNT);
        m_status.ShowStatusMessage(done);
    } else {
        m_status.ShowStatusMessage(QStringLiteral("キャプチャ処理が中断されました"));
    }
    showAgain.now();
    if (status != 0)
        m_host.runAfterActionCommand(m_settings.MAIN.AFTERACTION);
}

QString CaptureTabTitle(Platform& platform, int kind, WindowId target)
{
    if (kind == Region)
        return QStringLiteral("範囲");
    if (kind == FullScreen || (target != 0 && platform.isDesktop(target)))
        return QStringLiteral("デスクトップ");
    const QString title = target != 0 ? platform.windowTitle(target) : QString();
    if (title.isEmpty() || title == QLatin1String("Vistrel") || platform.isOwnWindow(target))
        return QStringLiteral("(不明)");
    return title;
}

} // namespace vistrel
