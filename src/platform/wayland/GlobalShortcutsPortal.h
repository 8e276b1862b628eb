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
    explicit GlobalShortcutsPortal(std::function<void(int id)> pressed);
    ~GlobalShortcutsPortal() override;

    // Whether the session bus has a portal with the interface. A portal not yet running is
    // started only on desktops known to offer it, so that a start elsewhere never waits for it.
    static bool offered();

    void describe(int id, const QString& description);
    void add(int id, const QString& trigger);
    // Its presses are ignored from now on; the desktop keeps it until shortcuts are added.
    void remove(int id);

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

    std::function<void(int)> m_pressed;
    QMap<int, QString> m_descriptions;
    QMap<int, Wanted> m_wanted;
    QMap<int, Wanted> m_sent;
    bool m_updateScheduled = false;
    bool m_sessionPending = false;
    int m_sessionsOpened = 0;
    QString m_session;
    QString m_request;
};

} // namespace vistrel::wayland
