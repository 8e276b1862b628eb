#include "ShellProgram.h"

#include "harness/XProbe.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <stdexcept>

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

} // namespace

ShellProgram::ShellProgram(XSession& session) : m_session(session)
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    for (const char* folder : {"config", "home/.config", "runtime"})
        QDir().mkpath(path(folder));
    QFile::setPermissions(path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_options.setEnv[QStringLiteral("HOME")] = path("home");
    m_options.setEnv[QStringLiteral("XDG_CONFIG_HOME")] = path("home/.config");
    m_options.setEnv[QStringLiteral("XDG_RUNTIME_DIR")] = path("runtime");
    m_options.setEnv[QStringLiteral("VISTREL_CONFIG_DIR")] = path("config");
    m_options.setEnv[QStringLiteral("VISTREL_TEST_LOG")] = path("messages.log");
    // No session bus: the icon must dock through the X tray, not a bus watcher.
    m_options.setEnv[QStringLiteral("DBUS_SESSION_BUS_ADDRESS")] = QStringLiteral("disabled:");
    m_options.outputFile = path("output.log");
}

ChildProcess& ShellProgram::start(const QStringList& args)
{
    return m_session.start(QStringList{QStringLiteral(VISTREL_BINARY)} + args, m_options);
}

ChildProcess& ShellProgram::startOn(XSession& display, const QStringList& args)
{
    return display.start(QStringList{QStringLiteral(VISTREL_BINARY)} + args, m_options);
}

ShellRun ShellProgram::run(const QStringList& args, const QString& workingDir,
                           const QString& without)
{
    ChildOptions options = m_options;
    if (!without.isEmpty())
        options.setEnv[without] = QString();
    options.outputFile = path("run") + QString::number(++m_runs) + QStringLiteral(".log");
    QStringList argv = QStringList{QStringLiteral(VISTREL_BINARY)} + args;
    if (!workingDir.isEmpty())
        argv = QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                           QStringLiteral("cd \"$1\" && shift && exec \"$@\""),
                           QStringLiteral("sh"), workingDir} +
               argv;
    const CommandResult result = runCommand(argv, m_session.optionsFor(options), DefaultTimeout);
    return {result.exitCode, QString::fromUtf8(result.output),
            QString::fromUtf8(readAll(options.outputFile))};
}

QString ShellProgram::iniPath() const
{
    return path("config/Vist.ini");
}

QByteArray ShellProgram::readIni() const
{
    return readAll(iniPath());
}

void ShellProgram::writeIni(const QByteArray& bytes) const
{
    QFile file(iniPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + iniPath().toStdString());
}

QString ShellProgram::iniValue(const QString& section, const QString& key) const
{
    QString current;
    for (QString line : QString::fromUtf8(readIni()).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'['))
            current = line.mid(1, line.indexOf(u']') - 1);
        else if (current == section && line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return {};
}

QStringList ShellProgram::testLog() const
{
    return QString::fromUtf8(readAll(path("messages.log"))).split(u'\n', Qt::SkipEmptyParts);
}

bool ShellProgram::waitForLogLine(const QString& line)
{
    return waitFor([&] { return testLog().contains(line); });
}

QStringList ShellProgram::tabPictures() const
{
    QStringList found;
    QDirIterator it(path("runtime"), {QStringLiteral("Tab*.cbmp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

QString ShellProgram::output() const
{
    return QString::fromLocal8Bit(readAll(path("output.log")));
}

QList<WindowId> ShellProgram::mainWindows(std::optional<pid_t> pid) const
{
    // Menus and the tray icon carry the application's name as their title too,
    // but bypass the window manager.
    const XProbe probe(m_session.display());
    QList<WindowId> result;
    for (WindowId window : m_session.findWindows(QStringLiteral("Vistrel")))
        if ((!pid || m_session.display().pid(window) == *pid) && !probe.overrideRedirect(window))
            result.append(window);
    return result;
}

std::optional<WindowId> ShellProgram::waitForMainWindow(pid_t pid)
{
    std::optional<WindowId> found;
    waitFor([&] {
        const QList<WindowId> windows = mainWindows(pid);
        if (!windows.isEmpty())
            found = windows.front();
        return found.has_value();
    });
    return found;
}

} // namespace vistrel::test
