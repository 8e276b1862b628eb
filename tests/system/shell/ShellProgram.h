#pragma once

#include "harness/XSession.h"

#include <QTemporaryDir>

namespace vistrel::test {

// How a copy that ran to its end ended.
struct ShellRun {
    int exitCode = -1; // -1 when it did not end in time
    QString output;    // its standard output
    QString errors;    // its standard error
};

// The built program with private settings, runtime and home folders that
// every start shares, so that a second start meets the first one's lock.
class ShellProgram {
public:
    explicit ShellProgram(XSession& session);

    // Starts one more copy; the session stops it at the latest when it ends.
    ChildProcess& start(const QStringList& args = {});
    // Starts one more copy, with the same folders, on another display.
    ChildProcess& startOn(XSession& display, const QStringList& args = {});
    // Runs one more copy to its end (in a working folder of its own when given); `without`
    // names a variable its environment lacks.
    ShellRun run(const QStringList& args, const QString& workingDir = {},
                 const QString& without = {});
    // A folder of this program's own for the test's files.
    QString scratch(const char* name) const { return path(name); }

    QString iniPath() const;
    QByteArray readIni() const;
    void writeIni(const QByteArray& bytes) const;
    // The value of KEY in [SECTION] of the settings file; empty when absent.
    QString iniValue(const QString& section, const QString& key) const;

    QStringList testLog() const;
    bool waitForLogLine(const QString& line);
    // The tab pictures in the program's private temporary folders.
    QStringList tabPictures() const;
    // Everything the copies wrote to standard output and error.
    QString output() const;

    // Mapped, managed windows titled "Vistrel" (of one process when given).
    QList<WindowId> mainWindows(std::optional<pid_t> pid = std::nullopt) const;
    std::optional<WindowId> waitForMainWindow(pid_t pid);

private:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    XSession& m_session;
    QTemporaryDir m_dir;
    ChildOptions m_options;
    int m_runs = 0;
};

} // namespace vistrel::test
