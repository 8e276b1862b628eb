#pragma once

#include "platform/wayland/ShortcutTrigger.h"

#include <QDBusMessage>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace vistrel::wayland {

// System-wide hotkeys through the desktop portal's GlobalShortcuts interface (KDE Plasma,
// GNOME 48 on, Hyprland). The desktop owns the keys: the program offers its shortcuts with
// names and suggested keys, the desktop binds them (asking the user where it wants to) and
// reports each press. Changes made together are sent as one new session once the event loop
// runs.
class GlobalShortcutsPortal final : public QObject {
    Q_OBJECT
public:
    // `refused` is called once when the desktop turns the program's session down: its hotkeys
    // are then bound as commands in the desktop's own settings instead.
    GlobalShortcutsPortal(std::function<void(int id)> pressed, std::function<void()> refused);
    ~GlobalShortcutsPortal() override;

    // Whether the session bus has a portal with the interface. A portal not yet running is
    // started only on desktops known to offer it, so that a start elsewhere never waits for it.
    static bool offered();

    void describe(int id, const QString& description);
    void add(int id, const QString& trigger);
    // Its presses are ignored from now on; the desktop keeps it until shortcuts are added.
    void remove(int id);
    // Whether the desktop turned the session down (a backend that serves no shortcuts here).
    bool refused() const { return m_refused; }

private Q_SLOTS:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onListed(uint response, const QVariantMap& results);
    void onBound(uint response, const QVariantMap& results);
    void onActivated(const QDBusMessage& message);

private:
    struct Wanted {
        QString description;
        QString trigger;
        bool operator==(const Wanted&) const = default;
    };
    void scheduleUpdate();
    void update();
    QVariant sentShortcuts() const;
    void createSession();
    void listShortcuts();
    void bindShortcuts();
    void closeSession();
    QString listenForResponse(const char* slot);
    void stopListening();
    void turnedDown(const QString& why);

    std::function<void(int)> m_pressed;
    std::function<void()> m_onRefused;
    QMap<int, QString> m_descriptions;
    QMap<int, Wanted> m_wanted;
    QMap<int, Wanted> m_sent;
    bool m_updateScheduled = false;
    bool m_sessionPending = false;
    int m_sessionsOpened = 0;
    bool m_refused = false;
    QString m_session;
    QString m_request;
};

} // namespace vistrel::wayland
