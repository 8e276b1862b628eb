#pragma once

#include "harness/XSession.h"

#include <QTemporaryDir>

namespace vistrel::test {

// The built program, run on a session with its own settings folder and test
// log, so that no test touches the user's real settings.
class VistrelProcess {
public:
    static constexpr const char* MainTitle = "Vistrel";

    explicit VistrelProcess(XSession& session);
    ~VistrelProcess();
    VistrelProcess(const VistrelProcess&) = delete;
    VistrelProcess& operator=(const VistrelProcess&) = delete;

    // The settings folder (VISTREL_CONFIG_DIR), the settings file in it, the
    // message log (VISTREL_TEST_LOG) and the program's own output.
    QString configDir() const;
    QString iniPath() const;
    QString testLogPath() const;
    QString outputPath() const;
    QByteArray readIni() const;
    void writeIni(const QByteArray& bytes) const;

    // When the test runs as root, the program runs as an unprivileged user,
    // so that file permissions hold for it as they do for a real user.
    void dropRootPrivileges();
    // False when running as root and the unprivileged user cannot reach the
    // program (a checkout in a private folder): tests that need it then skip.
    static bool unprivilegedUserCanRun();
    bool runsUnprivileged() const { return m_options.uid.has_value(); }

    // Sets (or, with an empty value, removes) a variable of the program's environment.
    void setEnv(const QString& name, const QString& value) { m_options.setEnv[name] = value; }
    // The private home folder the program runs with.
    QString homeDir() const { return m_dir.filePath(QStringLiteral("home")); }
    // Before start: a file size limit (ulimit -f) for the program.
    void limitFileSize(unsigned long bytes) { m_options.fileSizeLimit = bytes; }

    void start(const QStringList& args = {});
    pid_t pid() const;
    // The program's main window once it is mapped; empty on timeout.
    std::optional<WindowId> waitForMainWindow(std::chrono::milliseconds timeout = DefaultTimeout);
    // The program's mapped, managed windows titled "Vistrel": not its menus,
    // not its tray icon.
    QList<WindowId> mainWindows() const;
    // The program's mapped windows with this exact title.
    QList<WindowId> windows(const QString& title = QString::fromLatin1(MainTitle)) const;

    bool isAlive();
    void signal(int signalNumber);
    bool waitForExit(std::chrono::milliseconds timeout = DefaultTimeout);
    std::optional<int> exitCode() const;
    void stop();

    // The message boxes shown so far, one "error: ..." or "message: ..." per line.
    QStringList testLog() const;
    bool waitForLogLine(const QString& line, std::chrono::milliseconds timeout = DefaultTimeout);
    // The program's standard output and error, for failure messages.
    QString output() const;

private:
    XSession& m_session;
    QTemporaryDir m_dir;
    ChildOptions m_options;
    ChildProcess* m_process = nullptr;
};

} // namespace vistrel::test
