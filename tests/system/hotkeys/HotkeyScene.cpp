#include "HotkeyScene.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace vistrel::test {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

} // namespace

HotkeyScene::HotkeyScene()
{
    QDir().mkpath(shotFolder());
}

HotkeyScene::~HotkeyScene() = default;

void HotkeyScene::writeIni(const QString& hotkeys, const QString& all)
{
    const QString text = QStringLiteral("[ALL]\nWAITTIME=0\n") + all +
                         QStringLiteral("\n[AUTOSAVE]\nDIR=") + shotFolder() +
                         QStringLiteral("\nSAVETYPE=10\nFILE=shot\nFILEAFTER=\nAUTONOKETA=3\n"
                                        "OVERWRITE=1\n[HOTKEY]\n") +
                         hotkeys;
    m_vistrel.writeIni(text.toUtf8());
}

QStringList HotkeyScene::shots() const
{
    return QDir(shotFolder()).entryList(QDir::Files, QDir::Name);
}

bool HotkeyScene::waitForShots(int count)
{
    return waitFor([&] { return shots().size() >= count; });
}

void HotkeyScene::startTray()
{
    m_tray.emplace(m_session);
}

void HotkeyScene::requestClose(WindowId window)
{
    XProbe(m_session.display()).requestClose(window);
}

void HotkeyScene::keys(const QString& combination)
{
    m_session.xdotool({QStringLiteral("key"), combination});
}

void HotkeyScene::holdKey(unsigned keysym)
{
    ChildOptions options;
    options.outputFile = m_session.tempDir() + QStringLiteral("/keyholder.log");
    ChildProcess& holder =
        m_session.start({QStringLiteral(KEYHOLDER_BINARY), QString::number(keysym)}, options);
    const bool ready = waitFor([&] {
        QFile log(options.outputFile);
        return (log.open(QIODevice::ReadOnly) && log.readAll().contains("ready")) ||
               !holder.isRunning();
    });
    if (!ready || !holder.isRunning())
        throw std::runtime_error("the key holder could not grab its key");
}

bool HotkeyScene::keyIsFree(unsigned keysym)
{
    xcb_connection_t* c = m_session.display().connection();
    const xcb_window_t root = m_session.display().root();
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    std::unique_ptr<xcb_keycode_t, FreeDeleter> codes(xcb_key_symbols_get_keycode(symbols, keysym));
    xcb_key_symbols_free(symbols);
    if (!codes || codes.get()[0] == XCB_NO_SYMBOL)
        throw std::runtime_error("the keyboard has no such key");
    const xcb_keycode_t code = codes.get()[0];
    std::unique_ptr<xcb_generic_error_t, FreeDeleter> error(xcb_request_check(
        c, xcb_grab_key_checked(c, 1, root, 0, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    if (error)
        return false;
    xcb_ungrab_key(c, code, root, 0);
    xcb_flush(c);
    return true;
}

void HotkeyScene::releasePrintFromWindowManager()
{
    // The session's window manager reads its configuration from wm/ (XDG_CONFIG_HOME).
    QFile stock(QStringLiteral("/etc/xdg/openbox/rc.xml"));
    if (!stock.open(QIODevice::ReadOnly))
        throw std::runtime_error("no stock openbox configuration");
    QString rc = QString::fromUtf8(stock.readAll());
    rc.remove(QRegularExpression(QStringLiteral("<keybind key=\"[^\"]*Print\">.*?</keybind>"),
                                 QRegularExpression::DotMatchesEverythingOption));
    const QString folder = m_session.tempDir() + QStringLiteral("/wm/openbox");
    QDir().mkpath(folder);
    QFile own(folder + QStringLiteral("/rc.xml"));
    if (!own.open(QIODevice::WriteOnly) || own.write(rc.toUtf8()) < 0)
        throw std::runtime_error("cannot write the openbox configuration");
    own.close();
    runCommand({QStringLiteral("openbox"), QStringLiteral("--reconfigure")},
               m_session.optionsFor({}));
}

void HotkeyScene::closeMessageBoxes(const QStringList& lines)
{
    QSet<WindowId> closed;
    for (const QString& line : lines) {
        if (!m_vistrel.waitForLogLine(line))
            throw std::runtime_error("no message " + line.toStdString() + "\n" + log());
        std::optional<WindowId> box;
        const bool found = waitFor([&] {
            // The main window may be up already: only a box is closed.
            for (WindowId w : programWindows())
                if (!closed.contains(w) && m_session.display().isDialog(w))
                    box = w;
            return box.has_value();
        });
        if (!found)
            throw std::runtime_error("no message box for " + line.toStdString());
        closed.insert(*box);
        requestClose(*box);
    }
}

void HotkeyScene::activate(WindowId window)
{
    m_session.xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(window)});
}

std::optional<WindowId> HotkeyScene::waitForDialog(const QString& title)
{
    // Keys go where the focus is: the dialog counts once it is the active window.
    std::optional<WindowId> found;
    waitFor([&] {
        const QList<WindowId> windows = m_vistrel.windows(title);
        const CommandResult active = m_session.xdotool({QStringLiteral("getactivewindow")});
        if (!windows.isEmpty() && active.exitCode == 0 &&
            WindowId(active.output.trimmed().toULongLong()) == windows.front())
            found = windows.front();
        return found.has_value();
    });
    return found;
}

bool HotkeyScene::waitForDialogGone(const QString& title)
{
    return waitFor([&] { return m_vistrel.windows(title).isEmpty(); });
}

bool HotkeyScene::waitForKeyboardGrab()
{
    xcb_connection_t* c = m_session.display().connection();
    const xcb_window_t root = m_session.display().root();
    return waitFor([&] {
        std::unique_ptr<xcb_grab_keyboard_reply_t, FreeDeleter> reply(
            xcb_grab_keyboard_reply(c,
                                    xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    nullptr));
        if (reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED)
            return true;
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
        return false;
    });
}

QList<WindowId> HotkeyScene::programWindows()
{
    return m_vistrel.mainWindows();
}

std::optional<WindowId> HotkeyScene::waitForMainWindow()
{
    return m_vistrel.waitForMainWindow();
}

std::string HotkeyScene::log() const
{
    return "log:\n" + m_vistrel.testLog().join(u'\n').toStdString() + "\noutput:\n" +
           m_vistrel.output().toStdString();
}

MapWatcher::MapWatcher(const QString& displayName)
    : m_connection(xcb_connect(displayName.toLocal8Bit().constData(), nullptr))
{
    if (xcb_connection_has_error(m_connection) != 0)
        throw std::runtime_error("cannot watch the display");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
    // Round trip, so that the selection is in place before anything starts.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

MapWatcher::~MapWatcher()
{
    xcb_disconnect(m_connection);
}

int MapWatcher::mappedSoFar()
{
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY)
            ++m_mapped;
        std::free(event);
    }
    return m_mapped;
}

} // namespace vistrel::test
