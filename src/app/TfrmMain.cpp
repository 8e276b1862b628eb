#include "app/TfrmMain.h"

#include "platform/Platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QStandardPaths>

namespace vistrel {

namespace {

// The default of the folder settings: the executable's folder for portable
// use, the user's pictures folder when the program is installed read-only.
QString defaultDataFolder()
{
    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeFolder).isWritable())
        return exeFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? exeFolder : pictures;
}

} // namespace

TfrmMain::TfrmMain(Platform& platform, QWidget* parent)
    : QMainWindow(parent), m_platform(platform),
      m_store(platform.settingsFolder(), defaultDataFolder())
{
    setWindowTitle(QStringLiteral("Vistrel"));
    LoadSettings();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::LoadSettings()
{
    m_settings = m_store.load();
    applyWindowGeometry();
}

void TfrmMain::applyWindowGeometry()
{
    move(m_settings.SCREEN.LEFT, m_settings.SCREEN.TOP);
    resize(m_settings.SCREEN.WIDTH, m_settings.SCREEN.HEIGHT);
    if (m_settings.SCREEN.WINDOWSTATE)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrmMain::SaveSettings()
{
    const bool maximised = isMaximized();
    if (!maximised) {
        m_settings.SCREEN.LEFT = pos().x();
        m_settings.SCREEN.TOP = pos().y();
        m_settings.SCREEN.HEIGHT = height();
        m_settings.SCREEN.WIDTH = width();
    }
    m_store.save(m_settings, maximised);
}

void TfrmMain::runExitSteps()
{
    SaveSettings();
}

void TfrmMain::mnuFileExitClick()
{
    runExitSteps();
    if (m_closing)
        return;
    m_closing = true;
    close();
}

void TfrmMain::endSession()
{
    // Unlike the close query, the end of a session closes even when the
    // window would otherwise stay resident; a failed save keeps it running.
    runExitSteps();
    m_closing = true;
    close();
    QApplication::quit();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // A failed save throws out of here with the event ignored: the window stays.
    event->ignore();
    runExitSteps();
    m_closing = true;
    event->accept();
}

} // namespace vistrel
