#include "capture/CaptureScene.h"

#include "harness/Pattern.h"
#include "harness/Wait.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace vistrel::test {

namespace {

QString number(int value)
{
    return QString::number(value);
}

void checkCommand(const CommandResult& result, const QStringList& args)
{
    if (result.exitCode != 0)
        throw std::runtime_error("xdotool " + args.join(u' ').toStdString() + " failed");
}

} // namespace

CaptureScene::CaptureScene(XSession::Server server, QSize screen) : m_session(server, screen)
{
    // The program makes its private folder here, where the test can look into it.
    m_runtimeDir = m_session.tempDir() + QStringLiteral("/runtime");
    QDir().mkpath(m_runtimeDir);
    QFile::setPermissions(m_runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir));
    m_vistrel = std::make_unique<VistrelProcess>(m_session);
}

CaptureScene::~CaptureScene()
{
    m_vistrel.reset();
}

void CaptureScene::startVistrel(const QByteArray& mainLines, const QByteArray& allLines)
{
    const QRect area = mainWindowArea();
    m_vistrel->writeIni("[ALL]\nWAITTIME=300\n" + allLines + "\n[MAIN]\n" + mainLines +
                        "\n[SCREEN]\nLEFT=" + QByteArray::number(area.x()) +
                        "\nTOP=" + QByteArray::number(area.y()) +
                        "\nWIDTH=" + QByteArray::number(area.width()) +
                        "\nHEIGHT=" + QByteArray::number(area.height()) + "\n");
    m_vistrel->start();
    const auto window = m_vistrel->waitForMainWindow();
    if (!window)
        throw std::runtime_error("no main window; output:\n" + m_vistrel->output().toStdString());
    m_mainWindow = *window;
}

WindowId CaptureScene::startPattern(const QRect& client, const QString& title)
{
    ChildProcess& child = m_session.start({QStringLiteral(PATTERN_WINDOW_BINARY),
                                           number(client.x()), number(client.y()),
                                           number(client.width()), number(client.height()), title});
    const auto window = m_session.waitForWindow(title, child.pid());
    if (!window)
        throw std::runtime_error("the pattern window did not appear");
    const bool placed = waitFor([&] {
        const auto geometry = m_session.geometry(*window);
        return geometry && geometry->client == client && geometry->frame != geometry->client;
    });
    if (!placed)
        throw std::runtime_error("the pattern window was not framed where it was asked to be");
    // Mapped is not yet painted.
    const bool painted = waitFor([&] {
        const QImage shown = m_session.grab(client);
        return !firstPatternMismatch(shown, {}, client.size());
    });
    if (!painted)
        throw std::runtime_error("the pattern window never showed its pattern");
    return *window;
}

WindowId CaptureScene::startXterm(QPoint framePos, const QString& title)
{
    // `cat` keeps it alive without a shell prompt that could change what it shows.
    m_session.start(
        {QStringLiteral("xterm"), QStringLiteral("-title"), title, QStringLiteral("-geometry"),
         QStringLiteral("60x20+%1+%2").arg(framePos.x()).arg(framePos.y()), QStringLiteral("-bg"),
         QStringLiteral("#3060a0"), QStringLiteral("-fg"), QStringLiteral("#3060a0"),
         // The mouse pointer in colours that stand out against it.
         QStringLiteral("-ms"), QStringLiteral("black"), QStringLiteral("-xrm"),
         QStringLiteral("*pointerColorBackground: white"), QStringLiteral("-e"),
         QStringLiteral("cat")});
    const auto window = m_session.waitForWindow(title);
    if (!window)
        throw std::runtime_error("the xterm did not appear");
    const bool placed = waitFor([&] {
        const auto geometry = m_session.geometry(*window);
        return geometry && geometry->frame.topLeft() == framePos &&
               geometry->frame != geometry->client;
    });
    if (!placed)
        throw std::runtime_error("the xterm was not framed where it was asked to be");
    return *window;
}

WindowGeometry CaptureScene::geometryOf(WindowId window)
{
    const auto geometry = m_session.geometry(window);
    if (!geometry)
        throw std::runtime_error("a test window has gone");
    return *geometry;
}

void CaptureScene::activate(WindowId window)
{
    const QStringList args{QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                           number(int(window))};
    checkCommand(m_session.xdotool(args), args);
}

void CaptureScene::chooseCaptureItem(const QString& mnemonic)
{
    activate(m_mainWindow);
    // Qt hands keys that arrive while the menu opens to the menu, in order.
    key(QStringLiteral("alt+c"));
    key(mnemonic);
}

void CaptureScene::movePointer(QPoint position)
{
    const QStringList args{QStringLiteral("mousemove"), QStringLiteral("--sync"),
                           number(position.x()), number(position.y())};
    checkCommand(m_session.xdotool(args), args);
}

void CaptureScene::key(const QString& name)
{
    const QStringList args{QStringLiteral("key"), name};
    checkCommand(m_session.xdotool(args), args);
}

void CaptureScene::click()
{
    const QStringList args{QStringLiteral("click"), QStringLiteral("1")};
    checkCommand(m_session.xdotool(args), args);
}

int CaptureScene::statusCount(const QString& text) const
{
    return int(m_vistrel->testLog().count(QStringLiteral("status: ") + text));
}

bool CaptureScene::waitForStatusCount(const QString& text, int count)
{
    return waitFor([&] { return statusCount(text) >= count; });
}

QString CaptureScene::tempFolder() const
{
    // The harness may give the program a runtime folder of its own beside the settings.
    const QStringList bases{QFileInfo(m_vistrel->configDir()).path() + QStringLiteral("/runtime"),
                            m_runtimeDir};
    for (const QString& base : bases) {
        const QStringList found =
            QDir(base).entryList({QStringLiteral("vistrel-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
        if (!found.isEmpty())
            return base + u'/' + found.first();
    }
    return {};
}

QStringList CaptureScene::tabFiles() const
{
    const QString folder = tempFolder();
    return folder.isEmpty() ? QStringList()
                            : QDir(folder).entryList({QStringLiteral("Tab*.cbmp")}, QDir::Files);
}

QImage CaptureScene::tabPicture(int tab) const
{
    QImage picture;
    waitFor([&] {
        const QString folder = tempFolder();
        if (!folder.isEmpty())
            picture = QImage(folder + QStringLiteral("/Tab%1.cbmp").arg(tab), "BMP");
        return !picture.isNull();
    });
    return picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

QRgb CaptureScene::screenPixel(QPoint point)
{
    return m_session.grab(QRect(point, QSize(1, 1))).pixel(0, 0) & 0xffffff;
}

bool CaptureScene::highlightAround(const QRect& rect)
{
    // Bars lie just outside the rectangle; look at the middle of each.
    const int gap = HighlightThickness / 2 + 1;
    const QPoint centre = rect.center();
    const QPoint samples[] = {{centre.x(), rect.top() - gap},
                              {centre.x(), rect.bottom() + gap},
                              {rect.left() - gap, centre.y()},
                              {rect.right() + gap, centre.y()}};
    for (const QPoint& sample : samples)
        if (screenPixel(sample) != HighlightColour)
            return false;
    return true;
}

bool CaptureScene::waitForHighlightAround(const QRect& rect)
{
    return waitFor([&] { return highlightAround(rect); });
}

void CaptureScene::startWithPatternPicture(const QRect& client, const QString& title,
                                           const QByteArray& mainLines)
{
    const WindowId pattern = startPattern(client, title);
    startVistrel(mainLines);
    activate(pattern);
    chooseCaptureItem(QStringLiteral("a"));
    if (!waitForStatusCount(Completed, 1) || !waitForMainWindowBack())
        throw std::runtime_error("the pattern was not captured\n" +
                                 m_vistrel->testLog().join(u'\n').toStdString());
    activate(mainWindow());
}

std::optional<QPoint> CaptureScene::pictureOnScreen()
{
    const auto frame = session().geometry(mainWindow());
    if (!frame)
        return std::nullopt;
    const QImage shot = session().grab(frame->client).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y + 8 < shot.height(); ++y)
        for (int x = 0; x + 8 < shot.width(); ++x)
            if (!firstPatternMismatch(shot.copy(x, y, 8, 8), {}, {8, 8}))
                return frame->client.topLeft() + QPoint(x, y);
    return std::nullopt;
}

bool CaptureScene::waitForMainWindowBack()
{
    return waitFor([&] { return !m_vistrel->windows().isEmpty(); });
}

int countHighlightPixels(const QImage& picture)
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            count += (picture.pixel(x, y) & 0xffffff) == CaptureScene::HighlightColour;
    return count;
}

std::optional<QPoint> firstPatternMismatch(const QImage& picture, QPoint origin, QSize size)
{
    if (!QRect(QPoint(), picture.size()).contains(QRect(origin, size)))
        return origin;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if ((picture.pixel(origin.x() + x, origin.y() + y) & 0xffffff) != patternColour(x, y))
                return QPoint(x, y);
    return std::nullopt;
}

} // namespace vistrel::test
