#include "app/HotkeyWiring.h"

#include "app/CommandMap.h"
#include "app/HelpPages.h"
#include "app/OutputWiring.h"
#include "app/TfrmMain.h"
#include "app/ToolbarIcons.h"
#include "app/VistrelApplication.h"
#include "edit/StatusPanels.h"
#include "hotkeys/CaptureParam.h"
#include "hotkeys/HotkeyCommandLine.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/KeyNames.h"
#include "hotkeys/TfrmHotKey.h"
#include "hotkeys/TfrmParam.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <algorithm>

namespace vistrel {

namespace {

constexpr int PreviewAction = 9;
constexpr int StatusMessagePanel = 2; // the status bar panel of the actions' messages

// The capture commands whose icons the hotkey entries borrow, by image index.
const char* const EntryIcons[] = {"mnuCapDeskTop",   "mnuCapActive",   "mnuCapWindow",
                                  "mnuTimerDeskTop", "mnuTimerActive", "mnuTimerWindow"};

} // namespace

HotkeyWiring::HotkeyWiring(TfrmMain& main)
    : m_main(main)
    , m_requests(main.captureEngine(), main.settings(), main.document().currentImage(), *this)
{
    m_main.platform().hotkeyPressed = [this](int id) { hotkeyPressed(id); };
    m_main.platform().systemHotkeysLost = [this] { showCommandLineNote(); };
}

HotkeyWiring::~HotkeyWiring()
{
    m_main.platform().hotkeyPressed = nullptr;
    m_main.platform().systemHotkeysLost = nullptr;
}

void HotkeyWiring::bind(CommandMap& commands)
{
    commands.bind(QStringLiteral("mnuToolHotkeyClick"), [this](int) { mnuToolHotkeyClick(); });
}

void HotkeyWiring::mnuToolHotkeyClick()
{
    if (m_editingList) {
        hotkeyList().raise(); // the tray item while the list is already open
        hotkeyList().activateWindow();
        return;
    }
    if (m_running || m_main.captureEngine().busy)
        return;
    UnregisterAllHotkeys();
    m_editingList = true;
    bool accepted = false;
    hotkeyList().showCommandLines(
        m_main.platform().abilities().systemHotkeys ? QString() : BoundCommandProgram());
    try {
        accepted = hotkeyList().EditHotkeyList(m_main.settings().HOTKEY);
    } catch (...) {
        m_editingList = false;
        RegisterAllHotkeys();
        throw;
    }
    m_editingList = false;
    if (accepted)
        FillTrayHotkeyMenu();
    RegisterAllHotkeys();
}

TfrmHotKey& HotkeyWiring::hotkeyList()
{
    if (!m_hotkeyList) {
        QList<QIcon> icons;
        for (const char* name : EntryIcons)
            icons.append(ToolbarIcon(QString::fromLatin1(name)));
        m_hotkeyList = std::make_unique<TfrmHotKey>(icons, HelpPages::OpenHelp, &m_main);
    }
    return *m_hotkeyList;
}

void HotkeyWiring::RegisterAllHotkeys()
{
    const Settings& settings = m_main.settings();
    if (!m_main.platform().abilities().systemHotkeys) {
        noteCommandLineHotkeys();
        return;
    }
    QStringList failures;
    for (int slot = 0; slot < HotkeySlotCount; ++slot) {
        const TWinHotKey& entry = settings.HOTKEY[size_t(slot)];
        if (!IsRegistrable(entry))
            continue;
        m_main.platform().describeHotkey(HotkeyIdBase + slot, entry.COMMAND);
        QString reason;
        if (!m_main.platform().registerHotkey(HotkeyIdBase + slot, HotkeyModifiers(entry),
                                              KeyNameToKeysym(entry.KEY), &reason))
            failures.append(RegistrationFailedText(entry) + QStringLiteral("（") +
                            HotkeyDisplayText(entry) + QStringLiteral("）"));
    }
    const bool atStart = !m_registeredBefore;
    m_registeredBefore = true;
    if (!failures.isEmpty())
        reportRegistrationFailures(failures, atStart);
}

void HotkeyWiring::noteCommandLineHotkeys()
{
    // Once per run and only with entries to bind: the list dialog shows the commands.
    const bool atStart = !m_registeredBefore;
    m_registeredBefore = true;
    const auto& table = m_main.settings().HOTKEY;
    if (!atStart || std::all_of(table.begin(), table.end(),
                                [](const TWinHotKey& entry) { return entry.COMMAND.isEmpty(); }))
        return;
    QTimer::singleShot(0, &m_main, [this] { showCommandLineNote(); });
}

void HotkeyWiring::showCommandLineNote()
{
    m_main.status().ShowStatusMessage(
        QStringLiteral("このデスクトップではホットキーを登録できません。「ホットキーの設定」に、"
                       "キーボード設定で割り当てるコマンドがあります。"));
}

void HotkeyWiring::reportRegistrationFailures(const QStringList& failures, bool atStart)
{
    const QString text =
        failures.join(u'\n') +
        QStringLiteral("\n\nデスクトップ環境または他のプログラムが同じキーを使っています。"
                       "デスクトップ環境のキーボードショートカットの設定でそのキーを解放するか、"
                       "「ホットキーの設定」で別のキーを選んでください。");
    // Reported once the event loop runs, so that at start the main window is up first; a
    // start to the tray keeps quiet in the status bar instead of popping a box up.
    QTimer::singleShot(0, &m_main, [this, text, atStart] {
        if (atStart && !m_main.isVisible())
            m_main.status().ShowStatusMessage(QString(text).replace(u'\n', u' ').simplified());
        else
            MessageBox::information(text, m_main.isVisible() ? &m_main : nullptr);
    });
}

void HotkeyWiring::UnregisterAllHotkeys()
{
    // Every slot: an entry edited since its registration must not stay grabbed.
    for (int slot = 0; slot < HotkeySlotCount; ++slot)
        m_main.platform().unregisterHotkey(HotkeyIdBase + slot);
}

void HotkeyWiring::FillTrayHotkeyMenu()
{
    QMenu* menu = m_main.commands().menu(QStringLiteral("mnuTrayCapKey"));
    while (m_trayItems.size() < HotkeySlotCount) {
        auto* item = new QAction(menu);
        item->setObjectName(QStringLiteral("mnuTrayCapKey%1").arg(m_trayItems.size()));
        QObject::connect(item, &QAction::triggered, menu,
                         [this, item] { mnuTrayCapKey0Click(item->data().toInt()); });
        menu->addAction(item);
        m_trayItems.append(item);
    }
    const Settings& settings = m_main.settings();
    for (int slot = 0; slot < HotkeySlotCount; ++slot) {
        const TWinHotKey& entry = settings.HOTKEY[size_t(slot)];
        QAction* item = m_trayItems[slot];
        item->setVisible(!entry.COMMAND.isEmpty());
        if (entry.COMMAND.isEmpty())
            continue;
        item->setText(TrayHotkeyCaption(entry));
        item->setData(slot);
        const int image = HotkeyImageIndex(entry.PARAM);
        item->setIcon(image >= 0 && image < 6 ? ToolbarIcon(QString::fromLatin1(EntryIcons[image]))
                                              : QIcon());
        item->setIconVisibleInMenu(true);
    }
}

void HotkeyWiring::hotkeyPressed(int id)
{
    const int slot = id - HotkeyIdBase;
    if (slot < 0 || slot >= HotkeySlotCount)
        return;
    runRequest(slot, true);
}

void HotkeyWiring::mnuTrayCapKey0Click(int slot)
{
    if (slot >= 0 && slot < HotkeySlotCount)
        runRequest(slot, false);
}

void HotkeyWiring::runRequest(int slot, bool fromHotkey)
{
    // Parsed afresh, so that edits of the table count from the next press.
    runExclusive(ParseCaptureParam(m_main.settings().HOTKEY[size_t(slot)].PARAM), fromHotkey);
}

QString HotkeyWiring::busyReason() const
{
    // A request during a running capture (its countdown, its dialogs) is refused:
    // a nested capture would restore the window to the wrong state.
    if (m_running || m_main.captureEngine().busy)
        return QStringLiteral("他のキャプチャを実行中のため、要求を実行できません。");
    // An open dialog works on the picture or the settings a capture would change (the
    // size dialog, the hotkey list whose entry may be about to change), and hiding the
    // windows would leave it on the screen.
    if (m_editingList || QApplication::activeModalWidget())
        return QStringLiteral("ダイアログを開いているため、要求を実行できません。");
    return {};
}

bool HotkeyWiring::runExclusive(const CaptureRequest& request, bool fromHotkey)
{
    if (!busyReason().isEmpty())
        return false;
    m_running = true;
    const CaptureEngine::BusyScope busy(m_main.captureEngine());
    m_requests.hotkeyInProgress = fromHotkey;
    try {
        m_requests.CaptureByHotkey(request, false);
    } catch (...) {
        m_requests.hotkeyInProgress = false;
        m_running = false;
        throw;
    }
    m_requests.hotkeyInProgress = false;
    m_running = false;
    return true;
}

RequestResult HotkeyWiring::runHandedRequest(const CaptureRequest& request)
{
    if (const QString busy = busyReason(); !busy.isEmpty())
        return {1, busy};
    m_requests.handedOver = true;
    RequestResult result;
    try {
        result = runReported(request, false);
    } catch (...) {
        m_requests.handedOver = false;
        throw;
    }
    m_requests.handedOver = false;
    // "Keep running with the picture shown": this program runs already, so only show it.
    if (request.StayResident && result.exitCode == 0 && m_requests.lastAction() != PreviewAction) {
        PerformAfterAction(PreviewAction);
        m_main.restoreAfterCapture(true);
    }
    return result;
}

RequestResult HotkeyWiring::runReported(const CaptureRequest& request, bool fromCommandLine)
{
    const CollectedMessages collected;
    try {
        if (fromCommandLine)
            m_requests.CaptureByHotkey(request, true);
        else if (!runExclusive(request, false))
            return {1, busyReason()};
    } catch (const std::exception& error) {
        MessageBox::error(QString::fromUtf8(error.what()));
    }
    return SummariseRequest(m_requests.lastOutcome(), m_requests.lastAction(), collected.messages(),
                            m_main.status().panelText(StatusMessagePanel));
}

TfrmParam& HotkeyWiring::param()
{
    if (!m_param)
        m_param = std::make_unique<TfrmParam>();
    return *m_param;
}

bool HotkeyWiring::isMainWindowVisible() const
{
    return m_main.isVisible();
}

void HotkeyWiring::hideForCapture()
{
    m_main.hideForCapture();
}

void HotkeyWiring::restoreAfterCapture(bool visible)
{
    m_main.restoreAfterCapture(visible);
}

void HotkeyWiring::bringToFront()
{
    // A hidden window cannot take the foreground on X11; the action's dialogs
    // come up on top by themselves.
    if (m_main.isVisible()) {
        m_main.raise();
        m_main.activateWindow();
    }
}

int HotkeyWiring::AskCaptureKind(CaptureOptions& options)
{
    return param().AskCaptureKind(options);
}

int HotkeyWiring::AskAfterAction(const QImage& picture)
{
    return param().AskAfterAction(picture);
}

bool HotkeyWiring::PerformAfterAction(int code)
{
    return m_main.output().PerformAfterAction(code);
}

void HotkeyWiring::showMessage(const QString& text)
{
    MessageBox::information(text);
}

} // namespace vistrel

namespace vistrel {

std::optional<int> HotkeyWiring::StartupCapture(const CaptureRequest& request)
{
    if (request.CaptureKind == 0 || request.AfterAction == 0)
        return std::nullopt; // no capture asked for: start normally
    // Showing the picture means staying to show it.
    if (request.StayResident || request.AfterAction == PreviewAction) {
        try {
            m_requests.CaptureByHotkey(request, true);
        } catch (const std::exception& error) {
            VistrelApplication::showError(QString::fromUtf8(error.what()));
        }
        if (!m_main.document().currentImage().isNull())
            m_main.document().SetCurrentImage(ImageDocument::Mode::Reset);
        return std::nullopt;
    }
    RequestResult reported = runReported(request, true);
    const CollectedMessages atExit;
    // As the close button would: with APCLOSE this runs the exit sequence and
    // saves the settings, otherwise the window merely stays hidden.
    m_main.close();
    if (reported.exitCode == 0) // settings that cannot be saved fail the run too
        reported = SummariseRequest(RequestCapture::Outcome::Done, m_requests.lastAction(),
                                    atExit.messages());
    ReportOnStandardError(reported.reason);
    return reported.exitCode;
}

} // namespace vistrel
