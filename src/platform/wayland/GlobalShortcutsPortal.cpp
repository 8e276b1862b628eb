#include "platform/wayland/GlobalShortcutsPortal.h"

#include "platform/Platform.h"
#include "platform/wayland/DesktopPortal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

namespace vistrel::wayland {

namespace {

const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
constexpr int CallLimitMs = 5000;

const QString ShortcutIdPrefix = QStringLiteral("hotkey");
// Plasma 5.27 names the shortcut component after the session's token where it knows no
// application id (a program not started from a sandbox): one name for every session keeps
// the user's keys from run to run, and lets a second session find the component.
const QString SessionToken = QStringLiteral("vistrel");

void log(const QString& text)
{
    if (qEnvironmentVariableIsSet("VISTREL_LOG_PLATFORM"))
        std::fprintf(stderr, "vistrel: global shortcuts: %s\n", qPrintable(text));
}

bool desktopKnownToOffer()
{
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    for (const QString& desktop : desktops)
        if (desktop.compare(QStringLiteral("KDE"), Qt::CaseInsensitive) == 0 ||
            desktop.compare(QStringLiteral("GNOME"), Qt::CaseInsensitive) == 0 ||
            desktop.compare(QStringLiteral("Hyprland"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

QString PortalTrigger(quint32 modifiers, const QString& keysymName)
{
    QStringList parts;
    if (modifiers & HotkeyModControl)
        parts << QStringLiteral("CTRL");
    if (modifiers & HotkeyModAlt)
        parts << QStringLiteral("ALT");
    if (modifiers & HotkeyModShift)
        parts << QStringLiteral("SHIFT");
    if (modifiers & HotkeyModWin)
        parts << QStringLiteral("LOGO");
    parts << keysymName;
    return parts.join(u'+');
}

GlobalShortcutsPortal::GlobalShortcutsPortal(std::function<void(int id)> pressed,
                                             std::function<void()> refused)
    : m_pressed(std::move(pressed)), m_onRefused(std::move(refused))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    if (!QDBusConnection::sessionBus().connect(portal::Service, portal::Path, ShortcutsInterface,
                                               QStringLiteral("Activated"), this,
                                               SLOT(onActivated(QDBusMessage))))
        log(QStringLiteral("presses cannot be received"));
}

GlobalShortcutsPortal::~GlobalShortcutsPortal()
{
    stopListening();
    closeSession();
}

bool GlobalShortcutsPortal::offered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return false;
    // Starting a portal takes a while and hangs where its services are missing: only where
    // the desktop is one that has the interface, or the portal runs already.
    if (!bus.interface()->isServiceRegistered(portal::Service).value() && !desktopKnownToOffer())
        return false;
    return portal::Property(ShortcutsInterface, QStringLiteral("version"), CallLimitMs).isValid();
}

void GlobalShortcutsPortal::describe(int id, const QString& description)
{
    m_descriptions[id] = description;
}

void GlobalShortcutsPortal::add(int id, const QString& trigger)
{
    m_wanted[id] = Wanted{m_descriptions.value(id), trigger};
    scheduleUpdate();
}

void GlobalShortcutsPortal::remove(int id)
{
    // The session stays until shortcuts are added again, its presses of removed ones
    // ignored: the hotkey list releases every slot while it is open, and a new session for
    // the same table would have the desktop ask the user again.
    m_wanted.remove(id);
}

void GlobalShortcutsPortal::scheduleUpdate()
{
    // The hotkeys are released and registered one by one: send them once, all together.
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_updateScheduled = false;
        update();
    });
}

void GlobalShortcutsPortal::update()
{
    if (m_refused || m_sessionPending || m_wanted == m_sent)
        return; // a request still runs: its answer looks again
    // A portal session's shortcuts are fixed when it begins: a new table is a new session.
    closeSession();
    m_sent = m_wanted;
    if (m_wanted.isEmpty())
        return;
    m_sessionPending = true;
    createSession();
}

QVariant GlobalShortcutsPortal::sentShortcuts() const
{
    QList<PortalShortcut> shortcuts;
    for (auto it = m_sent.cbegin(); it != m_sent.cend(); ++it)
        shortcuts << PortalShortcut{ShortcutIdPrefix + QString::number(it.key()),
                                    {{QStringLiteral("description"), it->description},
                                     {QStringLiteral("preferred_trigger"), it->trigger}}};
    return QVariant::fromValue(shortcuts);
}

void GlobalShortcutsPortal::createSession()
{
    const QVariant shortcuts = sentShortcuts();
    QDBusMessage call = QDBusMessage::createMethodCall(
        portal::Service, portal::Path, ShortcutsInterface, QStringLiteral("CreateSession"));
    // KDE Plasma 5.27 takes the shortcuts here, not from BindShortcuts.
    call << QVariantMap{{QStringLiteral("handle_token"),
                         listenForResponse(SLOT(onSessionCreated(uint, QVariantMap)))},
                        {QStringLiteral("session_handle_token"), SessionToken},
                        {QStringLiteral("shortcuts"), shortcuts}};
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        stopListening();
        turnedDown(QStringLiteral("CreateSession refused: ") + reply.errorMessage());
    }
}

// A portal that answers but serves no shortcuts (a backend of another desktop taking over
// where the running one has none) must not leave the program without hotkeys: it is asked
// no more, and the hotkeys become commands for the desktop's own settings.
void GlobalShortcutsPortal::turnedDown(const QString& why)
{
    log(why);
    m_session.clear();
    m_sessionPending = false;
    m_refused = true;
    if (m_onRefused)
        m_onRefused();
}

void GlobalShortcutsPortal::onSessionCreated(uint response, const QVariantMap& results)
{
    stopListening();
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.canConvert<QDBusObjectPath>() && handle.userType() != QMetaType::QString
                    ? handle.value<QDBusObjectPath>().path()
                    : handle.toString();
    if (response != 0 || m_session.isEmpty()) {
        turnedDown(QStringLiteral("no session (answer %1)").arg(response));
        return;
    }
    // Plasma 5.27 makes the program's shortcut component with the first session and reports
    // presses only to sessions begun once it exists: the first session of a run is replaced
    // at once by a second one.
    if (++m_sessionsOpened == 1) {
        closeSession();
        createSession();
        return;
    }
    listShortcuts();
}

void GlobalShortcutsPortal::listShortcuts()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        portal::Service, portal::Path, ShortcutsInterface, QStringLiteral("ListShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session))
         << QVariantMap{{QStringLiteral("handle_token"),
                         listenForResponse(SLOT(onListed(uint, QVariantMap)))}};
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        stopListening();
        bindShortcuts();
    }
}

void GlobalShortcutsPortal::onListed(uint response, const QVariantMap& results)
{
    stopListening();
    QStringList listed;
    for (const PortalShortcut& shortcut :
         qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts"))))
        listed << shortcut.id;
    const QList<int> ids = m_sent.keys();
    const bool allBound = response == 0 && std::all_of(ids.begin(), ids.end(), [&](int id) {
                              return listed.contains(ShortcutIdPrefix + QString::number(id));
                          });
    // Binding shows the desktop's dialog (Plasma 6 and GNOME ask; Plasma 5.27 has bound what
    // CreateSession gave): only for shortcuts the desktop does not hold yet.
    if (allBound)
        onBound(0, results);
    else
        bindShortcuts();
}

void GlobalShortcutsPortal::bindShortcuts()
{
    const QVariant shortcuts = sentShortcuts();
    QDBusMessage call = QDBusMessage::createMethodCall(
        portal::Service, portal::Path, ShortcutsInterface, QStringLiteral("BindShortcuts"));
    // The desktop shows its own dialog here where it wants the user to confirm the keys.
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << shortcuts << QString()
         << QVariantMap{{QStringLiteral("handle_token"),
                         listenForResponse(SLOT(onBound(uint, QVariantMap)))}};
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        // Older portals bind what CreateSession was given and lack the call.
        log(QStringLiteral("BindShortcuts refused: ") + reply.errorMessage());
        stopListening();
        onBound(0, {});
    }
}

void GlobalShortcutsPortal::onBound(uint response, const QVariantMap& results)
{
    stopListening();
    m_sessionPending = false;
    const auto bound =
        qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts")));
    // A user who turned the desktop's dialog down has no hotkeys until the next change.
    log(QStringLiteral("session %1 with %2 shortcuts (answer %3, %4 bound)")
            .arg(m_session)
            .arg(m_sent.size())
            .arg(response)
            .arg(bound.size()));
    if (m_wanted != m_sent)
        scheduleUpdate();
}

void GlobalShortcutsPortal::onActivated(const QDBusMessage& message)
{
    // Activated (o session_handle, s shortcut_id, t timestamp, a{sv} options).
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2)
        return;
    const QString session = arguments[0].value<QDBusObjectPath>().path();
    const QString shortcutId = arguments[1].toString();
    if (session != m_session || !shortcutId.startsWith(ShortcutIdPrefix))
        return;
    bool isNumber = false;
    const int id = shortcutId.mid(ShortcutIdPrefix.size()).toInt(&isNumber);
    if (!isNumber || !m_wanted.contains(id))
        return;
    log(QStringLiteral("activated ") + shortcutId);
    // Outside the delivery of the bus message: the press may open dialogs.
    QTimer::singleShot(0, this, [this, id] {
        if (m_pressed)
            m_pressed(id);
    });
}

void GlobalShortcutsPortal::closeSession()
{
    if (m_session.isEmpty())
        return;
    portal::CloseSession(m_session, CallLimitMs);
    m_session.clear();
}

QString GlobalShortcutsPortal::listenForResponse(const char* slot)
{
    // Listen before asking: a quick portal answers before the call returns.
    const QString token = portal::NewToken();
    m_request = portal::RequestPath(token);
    QDBusConnection::sessionBus().connect(portal::Service, m_request, portal::RequestInterface,
                                          QStringLiteral("Response"), this, slot);
    return token;
}

void GlobalShortcutsPortal::stopListening()
{
    if (m_request.isEmpty())
        return;
    // Whichever answer this request expected.
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.disconnect(portal::Service, m_request, portal::RequestInterface, QStringLiteral("Response"),
                   this, SLOT(onSessionCreated(uint, QVariantMap)));
    bus.disconnect(portal::Service, m_request, portal::RequestInterface, QStringLiteral("Response"),
                   this, SLOT(onListed(uint, QVariantMap)));
    bus.disconnect(portal::Service, m_request, portal::RequestInterface, QStringLiteral("Response"),
                   this, SLOT(onBound(uint, QVariantMap)));
    m_request.clear();
}

} // namespace vistrel::wayland
