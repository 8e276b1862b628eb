#pragma once

#include "platform/wayland/DesktopPortal.h"
#include "platform/wayland/WheelInput.h"

#include <QPointF>
#include <QString>
#include <QVariantMap>

namespace vistrel::wayland {

// The desktop portal's RemoteDesktop interface (GNOME): a pointer the desktop lends after
// asking the user. The portal here keeps no answer between runs, so one session serves the
// whole run and the user is asked once, at the first scroll.
class RemoteDesktopPortal final : public WheelInput {
public:
    RemoteDesktopPortal() = default;
    ~RemoteDesktopPortal() override;

    // Whether the session bus has the portal with a pointer to lend.
    static bool offered();

    const char* name() const override { return "the RemoteDesktop portal"; }
    bool asksUser() const override { return m_session.isEmpty(); }
    std::unique_ptr<WheelDevice> open(const QRect& layout) override;

    // Pointer moves by this much from where it is; false once the desktop has ended the session.
    bool moveBy(QPointF distance);
    bool notchDown();

private:
    bool startSession();
    // Asks the portal and waits for the answer of its request.
    portal::Answer request(const QString& method, const QVariantList& arguments,
                           const QVariantMap& options, int limitMs);
    bool notify(const QString& method, const QVariantList& arguments);
    void closeSession();

    QString m_session;
};

} // namespace vistrel::wayland
