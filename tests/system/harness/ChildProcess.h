#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <map>
#include <optional>
#include <sys/types.h>

namespace vistrel::test {

// How a child is started: its environment is the test's own with `setEnv`
// applied (an empty value removes the variable).
struct ChildOptions {
    std::map<QString, QString> setEnv;
    // Standard output and error go to this file (appended) when set.
    QString outputFile;
    // Standard output goes to this descriptor when set (after `outputFile`).
    int stdoutFd = -1;
    // Run as this user and group (the test must be root to ask for it).
    std::optional<uid_t> uid;
    std::optional<gid_t> gid;
    // A descriptor of the parent that stays open in the child under its own number.
    int inheritFd = -1;
    // A file size limit (ulimit -f) in bytes, when set.
    std::optional<unsigned long> fileSizeLimit;
};

// One process started by a test. It dies with the test process (parent-death
// signal) and is stopped by the destructor, so a failing test leaves nothing.
class ChildProcess {
public:
    ChildProcess(const QStringList& argv, const ChildOptions& options = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    const QString& program() const { return m_program; }

    bool isRunning();
    void signal(int signalNumber);
    // Waits for the process to end by itself; false on timeout.
    bool waitForExit(std::chrono::milliseconds timeout);
    // SIGTERM, then SIGKILL when it has not ended within `grace`.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

    // The wait status once the process has ended.
    std::optional<int> waitStatus() const { return m_status; }
    // The exit code when the process ended normally.
    std::optional<int> exitCode() const;
    bool killedBySignal() const;

private:
    bool reap(bool block);

    QString m_program;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

struct CommandResult {
    int exitCode = -1; // -1 when killed or timed out
    QByteArray output; // standard output
};

// Runs a short command to its end, with a timeout after which it is killed.
CommandResult runCommand(const QStringList& argv, const ChildOptions& options = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(20));

} // namespace vistrel::test
