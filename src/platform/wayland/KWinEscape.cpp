#include "platform/wayland/KWinEscape.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace vistrel::wayland {

namespace {

const QString Service = QStringLiteral("org.kde.kglobalaccel");
const QString Component = QStringLiteral("vistrel_escape");
// One action per process, so that a run removes only what a crashed one left behind.
const QString ActionPrefix = QStringLiteral("escape-");
constexpr int EscapeKey = 0x01000000; // Qt::Key_Escape, as kglobalaccel counts keys
// kglobalaccel's flags: the shortcut is there now, with exactly the keys given.
constexpr uint SetPresent = 2;
constexpr uint NoAutoloading = 4;
constexpr int AnswerLimitMs = 2000;

QString ownAction()
{
    return ActionPrefix + QString::number(getpid());
}

QStringList actionId()
{
    return {Component, ownAction(), QStringLiteral("Vistrel"),
            QStringLiteral("スクロールキャプチャの中止")};
}

QDBusMessage ask(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        Service, QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, AnswerLimitMs);
}

bool offered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(Service);
}

} // namespace

void KGlobalAccelPressWatcher::onPressed(const QString& component, const QString& shortcut,
                                         qlonglong)
{
    if (component == Component && shortcut == ownAction())
        pressed = true;
}

std::unique_ptr<EscapeBinding> KWinEscapeBinding::bind()
{
    if (!offered())
        return nullptr;
    ask(QStringLiteral("doRegister"), {actionId()});
    const QDBusMessage set =
        ask(QStringLiteral("setShortcut"),
            {actionId(), QVariant::fromValue(QList<int>{EscapeKey}), SetPresent | NoAutoloading});
    // Another component may hold the key already: then KWin gives us none.
    const QList<int> keys = qdbus_cast<QList<int>>(set.arguments().value(0));
    if (set.type() != QDBusMessage::ReplyMessage || !keys.contains(EscapeKey)) {
        ask(QStringLiteral("unregister"), {Component, ownAction()});
        return nullptr;
    }
    return std::make_unique<KWinEscapeBinding>();
}

void KWinEscapeBinding::removeLeftover()
{
    if (!offered())
        return;
    const QDBusMessage listed =
        ask(QStringLiteral("allActionsForComponent"), {QStringList{Component}});
    const auto actions = qdbus_cast<QList<QStringList>>(listed.arguments().value(0));
    for (const QStringList& action : actions) {
        const QString name = action.value(1);
        bool isNumber = false;
        const pid_t owner = pid_t(name.mid(ActionPrefix.size()).toInt(&isNumber));
        const bool ownerGone = isNumber && kill(owner, 0) != 0 && errno == ESRCH;
        if (name.startsWith(ActionPrefix) && ownerGone)
            ask(QStringLiteral("unregister"), {Component, name});
    }
}

KWinEscapeBinding::KWinEscapeBinding() : m_watcher(std::make_unique<KGlobalAccelPressWatcher>())
{
    m_watcher->moveToThread(&m_thread);
    m_thread.start();
    QDBusConnection::sessionBus().connect(Service, QStringLiteral("/component/") + Component,
                                          QStringLiteral("org.kde.kglobalaccel.Component"),
                                          QStringLiteral("globalShortcutPressed"), m_watcher.get(),
                                          SLOT(onPressed(QString, QString, qlonglong)));
}

KWinEscapeBinding::~KWinEscapeBinding()
{
    QDBusConnection::sessionBus().disconnect(
        Service, QStringLiteral("/component/") + Component,
        QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("globalShortcutPressed"),
        m_watcher.get(), SLOT(onPressed(QString, QString, qlonglong)));
    ask(QStringLiteral("unregister"), {Component, ownAction()});
    m_thread.quit();
    m_thread.wait();
}

} // namespace vistrel::wayland
