#include "PictureMenuScene.h"

#include "harness/Wait.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace vistrel::test {

PictureMenuScene::PictureMenuScene() : m_vistrel(m_session)
{
    // Beside the settings folder, so that it is handed to the unprivileged user with it.
    m_folder = QFileInfo(m_vistrel.configDir()).path() + QStringLiteral("/pictures");
    QDir().mkpath(m_folder);
}

bool PictureMenuScene::start()
{
    if (VistrelProcess::unprivilegedUserCanRun())
        m_vistrel.dropRootPrivileges();
    m_vistrel.start();
    const auto window = m_vistrel.waitForMainWindow();
    if (!window)
        return false;
    m_mainWindow = *window;
    m_session.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                       QString::number(m_mainWindow)});
    return true;
}

void PictureMenuScene::key(const QString& name)
{
    if (m_session.xdotool({QStringLiteral("key"), name}).exitCode != 0)
        throw std::runtime_error("xdotool key " + name.toStdString() + " failed");
}

std::optional<WindowId> PictureMenuScene::waitForOtherWindow()
{
    std::optional<WindowId> found;
    waitFor([&] {
        const WindowId id = activeWindow();
        // A window closed a moment ago may still be named active: only a new one counts.
        if (id != 0 && id != m_mainWindow && id != m_lastOther)
            found = id;
        return found.has_value();
    });
    if (found)
        m_lastOther = *found;
    return found;
}

void PictureMenuScene::chooseFile(const QString& mnemonic, const QString& path)
{
    // Qt hands keys that arrive while the menu opens to the menu, in order.
    key(QStringLiteral("alt+f"));
    key(mnemonic);
    const auto dialog = waitForOtherWindow();
    if (!dialog)
        throw std::runtime_error("the file dialog did not come up");
    // The file name field has the focus when Qt's dialog opens.
    m_session.xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), path});
    // Return may first only close the name completer's list; then it takes a second one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        key(QStringLiteral("Return"));
        if (waitFor([&] { return activeWindow() != *dialog; }, std::chrono::seconds(2)))
            return;
    }
    throw std::runtime_error("the file dialog did not take the path");
}

WindowId PictureMenuScene::activeWindow()
{
    const auto active = m_session.xdotool({QStringLiteral("getactivewindow")});
    return active.exitCode == 0 ? WindowId(active.output.trimmed().toULong()) : 0;
}

bool PictureMenuScene::answerMessageBox(const QString& keyName)
{
    const auto box = waitForOtherWindow();
    if (!box)
        return false;
    m_session.xdotool(
        {QStringLiteral("key"), QStringLiteral("--window"), QString::number(*box), keyName});
    // Only the answered box must go: another message may follow it at once.
    return waitFor([&] { return !m_vistrel.windows().contains(*box); });
}

int PictureMenuScene::markerPixels()
{
    const auto geometry = m_session.geometry(m_mainWindow);
    if (!geometry)
        return -1;
    const QImage shot = m_session.grab(geometry->client).convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < shot.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x)
            count += (row[x] | 0xff000000) == MarkerColour;
    }
    return count;
}

std::string PictureMenuScene::log() const
{
    return "log:\n" + m_vistrel.testLog().join(u'\n').toStdString() + "\noutput:\n" +
           m_vistrel.output().toStdString();
}

QByteArray markerPng(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(PictureMenuScene::MarkerColour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace vistrel::test
