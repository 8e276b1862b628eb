// A notification area for the tests: the StatusNotifierWatcher with a host registered, as a
// desktop panel runs it (until SIGUSR1). Each item that registers is read back (its Id and Status
// through the item's own properties) and printed as "item ID STATUS", so a test sees the icon
// really there. Runs until killed.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <csignal>
#include <cstdio>

namespace {

// SIGUSR1 takes the host away and leaves the watcher, as when a panel ends.
volatile std::sig_atomic_t hostGone = 0;

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    static bool hostRegistered() { return hostGone == 0; }

public Q_SLOTS:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& serviceOrPath,
                                                 const QDBusMessage& message)
    {
        // An item names its bus service, or only its object path on the caller's connection.
        const bool isPath = serviceOrPath.startsWith(u'/');
        const QString service = isPath ? message.service() : serviceOrPath;
        const QString path = isPath ? serviceOrPath : QStringLiteral("/StatusNotifierItem");
        printItem(service, path);
    }
    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString&) {}

private:
    // Asked without blocking: the program may itself be waiting on the watcher.
    void printItem(const QString& service, const QString& path)
    {
        QDBusMessage getAll = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("GetAll"));
        getAll << QStringLiteral("org.kde.StatusNotifierItem");
        auto* answer =
            new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(getAll), this);
        connect(answer, &QDBusPendingCallWatcher::finished, this,
                [](QDBusPendingCallWatcher* call) {
                    call->deleteLater();
                    const QDBusPendingReply<QVariantMap> reply = *call;
                    const QVariantMap properties = reply.isValid() ? reply.value() : QVariantMap();
                    std::printf("item %s %s\n",
                                qPrintable(properties.value(QStringLiteral("Id")).toString()),
                                qPrintable(properties.value(QStringLiteral("Status")).toString()));
                    std::fflush(stdout);
                });
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::signal(SIGUSR1, [](int) { hostGone = 1; });
    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportScriptableContents |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "trayhost: cannot register the watcher\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "main.moc"
