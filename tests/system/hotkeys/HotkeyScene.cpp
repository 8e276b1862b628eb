#include "HotkeyScene.h"

#include <QDir>
#include <QFile>

#include <xcb/xcb.h>

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
