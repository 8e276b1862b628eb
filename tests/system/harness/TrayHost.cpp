#include "harness/TrayHost.h"

#include <QFile>

#include <stdexcept>

namespace vistrel::test {

TrayHost::TrayHost(XSession& session) : m_session(session), m_probe(session.display())
{
    start();
}

void TrayHost::restart()
{
    m_session.stop(m_pid);
    if (!waitFor([&] { return m_probe.selectionOwner("_NET_SYSTEM_TRAY_S0") == 0; }))
        throw std::runtime_error("the tray selection stayed taken after trayer ended");
    start();
}

void TrayHost::start()
{
    ChildOptions options;
    options.outputFile = m_session.tempDir() + QStringLiteral("/trayer.log");
    options.setEnv[QStringLiteral("HOME")] = m_session.tempDir();
    ChildProcess& trayer = m_session.start(
        {QStringLiteral("trayer"), QStringLiteral("--edge"), QStringLiteral("top"),
         QStringLiteral("--align"), QStringLiteral("right"), QStringLiteral("--widthtype"),
         QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("200"),
         QStringLiteral("--height"), QStringLiteral("24")},
        options);
    m_pid = trayer.pid();
    const bool up = waitFor(
        [&] { return m_probe.selectionOwner("_NET_SYSTEM_TRAY_S0") != 0 || !trayer.isRunning(); });
    if (!up || !trayer.isRunning()) {
        QFile log(options.outputFile);
        log.open(QIODevice::ReadOnly);
        throw std::runtime_error("trayer did not take the tray selection:\n" +
                                 log.readAll().toStdString());
    }
}

std::optional<WindowId> TrayHost::waitForIcon() const
{
    std::optional<WindowId> icon;
    waitFor([&] {
        const QList<WindowId> all = icons();
        if (all.size() != 1)
            return false;
        const std::optional<QRect> area = m_probe.rootGeometry(all.front());
        if (!area || area->width() < 4 || area->height() < 4)
            return false;
        icon = all.front();
        return true;
    });
    return icon;
}

void TrayHost::click(WindowId icon, int button, int count)
{
    const std::optional<QRect> area = m_probe.rootGeometry(icon);
    if (!area)
        throw std::runtime_error("the tray icon is gone");
    const QPoint centre = area->center();
    // No --sync: it waits for a movement that never comes when the pointer is
    // already there; the server handles the move before the click anyway.
    m_session.xdotool({QStringLiteral("mousemove"), QString::number(centre.x()),
                       QString::number(centre.y()), QStringLiteral("click"),
                       QStringLiteral("--repeat"), QString::number(count),
                       QStringLiteral("--delay"), QStringLiteral("80"), QString::number(button)});
}

} // namespace vistrel::test
