#include "X11TestEnvironment.h"

#include "harness/Pattern.h"

namespace vistrel::test {

XSession* X11TestEnvironment::s_session = nullptr;

X11TestEnvironment::~X11TestEnvironment()
{
    for (pid_t pid : m_started)
        s_session->stop(pid);
}

X11TestEnvironment::Started X11TestEnvironment::startAndWait(const QStringList& argv,
                                                             const QString& title)
{
    Started started;
    started.pid = session().start(argv).pid();
    m_started.push_back(started.pid);
    const auto window = session().waitForWindow(title, started.pid);
    EXPECT_TRUE(window.has_value()) << "no window titled " << title.toStdString();
    started.window = window.value_or(0);
    return started;
}

X11TestEnvironment::Started X11TestEnvironment::startPattern(QRect client, const QString& title)
{
    Started started =
        startAndWait({QStringLiteral(PATTERN_WINDOW_BINARY), QString::number(client.x()),
                      QString::number(client.y()), QString::number(client.width()),
                      QString::number(client.height()), title},
                     title);
    // Placed and painted: the screen shows the pattern where the client is.
    const bool shown = waitFor([&] {
        const auto geometry = session().geometry(started.window);
        return geometry && patternMatches(session().grab(geometry->client));
    });
    EXPECT_TRUE(shown) << "pattern window " << title.toStdString() << " never painted";
    return started;
}

X11TestEnvironment::Started X11TestEnvironment::startXterm(QPoint position, const QString& title)
{
    return startAndWait({QStringLiteral("xterm"), QStringLiteral("-geometry"),
                         QStringLiteral("60x15+%1+%2").arg(position.x()).arg(position.y()),
                         QStringLiteral("-title"), title},
                        title);
}

bool X11TestEnvironment::patternMatches(const QImage& image, QPoint offset)
{
    if (image.isNull() || image.format() != QImage::Format_RGB32)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] != (0xff000000u | patternColour(x + offset.x(), y + offset.y())))
                return false;
        }
    }
    return true;
}

} // namespace vistrel::test
