#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// What every client of the desktop portal (org.freedesktop.portal.*) shares: its name on the
// session bus, the tokens and request objects its answers come on, and a request asked and
// waited for in one call.
namespace vistrel::wayland::portal {

inline const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString Path = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// A handle token of our own, unique enough for one request or session.
QString NewToken();
// The portal names its request objects after the caller's unique bus name and the token.
QString RequestPath(const QString& token);
// A property of one of the portal's interfaces; invalid where the portal does not answer.
QVariant Property(const QString& interface, const QString& name, int limitMs);
// Ends a session the portal handed out (shortcuts, remote desktop).
void CloseSession(const QString& sessionHandle, int limitMs);

struct Answer {
    bool called = false;   // the portal took the request
    bool answered = false; // its Response came in time
    uint response = 2;     // 0 granted, 1 cancelled by the user, 2 refused otherwise
    QVariantMap results;

    bool granted() const { return answered && response == 0; }
};

// Calls `method` of `interface` with `arguments` and `options` (a handle token added) and
// waits up to `answerLimitMs` for the Response of its request. Input events wait meanwhile.
Answer Ask(const QString& interface, const QString& method, const QVariantList& arguments,
           QVariantMap options, int callLimitMs, int answerLimitMs);

} // namespace vistrel::wayland::portal
