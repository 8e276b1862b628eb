#include "capture/MenuCapture.h"

#include "app/Settings.h"
#include "capture/CaptureEngine.h"
#include "edit/ImageDocument.h"
#include "edit/StatusPanels.h"

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

void MenuCapture::CaptureFromMenu(int kind, bool timer)
{
    m_host.endEditMode();
    m_host.hideForCapture();

    CaptureOptions& options = m_engine.options;
    options.Client = m_settings.MAIN.CLIENT;
    options.Mouse = m_settings.MAIN.MOUSE;
    options.Trim = m_settings.MAIN.TRIM;
    options.TimerOn = timer;
    options.TimerSeconds = m_settings.TIMER.MINUTE;
    options.PointMode = 0;

    if (kind == ActiveWindow)
        m_engine.ActivatePreviousWindow();
    int status = 0;
    try {
        status = m_engine.CaptureScreen(kind);
    } catch (...) {
        m_host.showAfterCapture(); // never leave the program invisible
        throw;
    }

    if (status != 0) {
        m_document.SetCurrentImage(ImageDocument::Mode::Reset);
        m_document.AddCaptureTab(CaptureTabTitle(m_platform));
        m_status.ShowStatusMessage(QStringLiteral("画面キャプチャが正常に完了しました"));
    } else {
        m_status.ShowStatusMessage(QStringLiteral("キャプチャ処理が中断されました"));
    }
    m_host.showAfterCapture();
    if (status != 0)
        m_host.runAfterActionCommand(m_settings.MAIN.AFTERACTION);
}

QString CaptureTabTitle(Platform& platform)
{
    const WindowId foreground = platform.foregroundWindow();
    if (foreground != 0 && platform.isDesktop(foreground))
        return QStringLiteral("デスクトップ");
    const QString title = foreground != 0 ? platform.windowTitle(foreground) : QString();
    if (title.isEmpty() || title == QLatin1String("Vistrel") || platform.isOwnWindow(foreground))
        return QStringLiteral("(不明)");
    return title;
}

} // namespace vistrel
