#include "harness/VistrelProcess.h"

#include "harness/Wait.h"
#include "harness/XProbe.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VISTREL_BINARY
#error "VISTREL_BINARY must name the program under test"
#endif

namespace vistrel::test {

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The user and group "nobody" on Debian.
constexpr uid_t UnprivilegedUser = 65534;
constexpr gid_t UnprivilegedGroup = 65534;

void chownTree(const QString& path, uid_t uid, gid_t gid)
{
    if (::lchown(QFile::encodeName(path).constData(), uid, gid) != 0)
        throw std::runtime_error("cannot hand " + path.toStdString() + " to another user");
    const QFileInfoList entries =
        QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            chownTree(entry.filePath(), uid, gid);
        else if (::lchown(QFile::encodeName(entry.filePath()).constData(), uid, gid) != 0)
            throw std::runtime_error("cannot hand " + path.toStdString() + " to another user");
    }
}

} // namespace

VistrelProcess::VistrelProcess(XSession& session) : m_session(session)
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("home/.config"));
    // A private home: a test never reads or writes the developer's own files.
    m_options.setEnv[QStringLiteral("HOME")] = m_dir.filePath(QStringLiteral("home"));
    m_options.setEnv[QStringLiteral("XDG_CONFIG_HOME")] =
        m_dir.filePath(QStringLiteral("home/.config"));
    // A private runtime folder: the single-instance lock is per test, not per user.
    QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
    ::chmod(QFile::encodeName(m_dir.filePath(QStringLiteral("runtime"))).constData(), 0700);
    m_options.setEnv[QStringLiteral("XDG_RUNTIME_DIR")] = m_dir.filePath(QStringLiteral("runtime"));
    m_options.setEnv[QStringLiteral("VISTREL_CONFIG_DIR")] = configDir();
    m_options.setEnv[QStringLiteral("VISTREL_TEST_LOG")] = testLogPath();
    m_options.outputFile = outputPath();
}

VistrelProcess::~VistrelProcess()
{
    stop();
    // A test may have made folders read-only; the temporary folder must still go.
    QDirIterator it(m_dir.path(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        ::chmod(QFile::encodeName(it.next()).constData(), 0700);
}

QString VistrelProcess::configDir() const
{
    return m_dir.filePath(QStringLiteral("config"));
}

QString VistrelProcess::iniPath() const
{
    return configDir() + QStringLiteral("/Vist.ini");
}

QString VistrelProcess::testLogPath() const
{
    return m_dir.filePath(QStringLiteral("messages.log"));
}

QString VistrelProcess::outputPath() const
{
    return m_dir.filePath(QStringLiteral("output.log"));
}

QByteArray VistrelProcess::readIni() const
{
    return readAll(iniPath());
}

void VistrelProcess::writeIni(const QByteArray& bytes) const
{
    QFile file(iniPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + iniPath().toStdString());
}

bool VistrelProcess::unprivilegedUserCanRun()
{
    if (::geteuid() != 0)
        return true;
    // Every folder on the way needs search permission for others, the program execute.
    QFileInfo step(QStringLiteral(VISTREL_BINARY));
    if (!(step.permissions() & QFileDevice::ExeOther))
        return false;
    for (QDir folder = step.absoluteDir(); !folder.isRoot(); folder.cdUp()) {
        if (!(QFileInfo(folder.absolutePath()).permissions() & QFileDevice::ExeOther))
            return false;
    }
    return true;
}

void VistrelProcess::dropRootPrivileges()
{
    if (::geteuid() != 0)
        return;
    // Everything of ours is handed over; the log is created now so it can be read back.
    QFile(testLogPath()).open(QIODevice::Append);
    QFile(outputPath()).open(QIODevice::Append);
    chownTree(m_dir.path(), UnprivilegedUser, UnprivilegedGroup);
    m_options.uid = UnprivilegedUser;
    m_options.gid = UnprivilegedGroup;
}

void VistrelProcess::start(const QStringList& args)
{
    if (m_process != nullptr)
        throw std::logic_error("the program is already started");
    m_process = &m_session.start(QStringList{QStringLiteral(VISTREL_BINARY)} + args, m_options);
}

pid_t VistrelProcess::pid() const
{
    return m_process ? m_process->pid() : -1;
}

std::optional<WindowId> VistrelProcess::waitForMainWindow(std::chrono::milliseconds timeout)
{
    std::optional<WindowId> found;
    waitFor(
        [&] {
            const QList<WindowId> main = mainWindows();
            if (!main.isEmpty())
                found = main.front();
            return found.has_value();
        },
        timeout);
    return found;
}

QList<WindowId> VistrelProcess::mainWindows() const
{
    // The tray icon and the menus carry the program's name too, but bypass
    // the window manager.
    const XProbe probe(m_session.display());
    QList<WindowId> result;
    for (WindowId window : windows())
        if (!probe.overrideRedirect(window))
            result.append(window);
    return result;
}

QList<WindowId> VistrelProcess::windows(const QString& title) const
{
    QList<WindowId> result;
    for (WindowId window : m_session.findWindows(title))
        if (m_session.display().pid(window) == pid())
            result.append(window);
    return result;
}

bool VistrelProcess::isAlive()
{
    return m_process && m_process->isRunning();
}

void VistrelProcess::signal(int signalNumber)
{
    if (m_process)
        m_process->signal(signalNumber);
}

bool VistrelProcess::waitForExit(std::chrono::milliseconds timeout)
{
    return !m_process || m_process->waitForExit(timeout);
}

std::optional<int> VistrelProcess::exitCode() const
{
    return m_process ? m_process->exitCode() : std::nullopt;
}

void VistrelProcess::stop()
{
    if (m_process)
        m_session.stop(m_process->pid());
    m_process = nullptr;
}

QStringList VistrelProcess::testLog() const
{
    return QString::fromUtf8(readAll(testLogPath())).split(u'\n', Qt::SkipEmptyParts);
}

bool VistrelProcess::waitForLogLine(const QString& line, std::chrono::milliseconds timeout)
{
    return waitFor([&] { return testLog().contains(line); }, timeout);
}

QString VistrelProcess::output() const
{
    return QString::fromLocal8Bit(readAll(outputPath()));
}

} // namespace vistrel::test
