#include "harness/ChildProcess.h"

#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <memory>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vistrel::test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<QByteArray> environmentFor(const ChildOptions& options)
{
    std::map<QByteArray, QByteArray> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const QByteArray text(*entry);
        const qsizetype equals = text.indexOf('=');
        if (equals > 0)
            env[text.left(equals)] = text.mid(equals + 1);
    }
    for (const auto& [name, value] : options.setEnv) {
        if (value.isEmpty())
            env.erase(name.toLocal8Bit());
        else
            env[name.toLocal8Bit()] = value.toLocal8Bit();
    }
    std::vector<QByteArray> result;
    for (const auto& [name, value] : env)
        result.push_back(name + '=' + value);
    return result;
}

std::vector<char*> pointersTo(std::vector<QByteArray>& texts)
{
    std::vector<char*> pointers;
    for (QByteArray& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

int openOrThrow(const QByteArray& path, int flags)
{
    const int fd = ::open(path.constData(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path.toStdString() + ": " + std::strerror(errno));
    return fd;
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(pid_t parent, char* const* argv, char* const* envp, int inFd, int outFd,
                            int stdoutFd, int errorPipe, const ChildOptions& options)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127); // the test died between fork and prctl
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::dup2(inFd, STDIN_FILENO);
    if (outFd >= 0) {
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(outFd, STDERR_FILENO);
    }
    if (stdoutFd >= 0)
        ::dup2(stdoutFd, STDOUT_FILENO);
    if (options.inheritFd >= 0)
        ::fcntl(options.inheritFd, F_SETFD, 0);
    bool ok = true;
    if (options.fileSizeLimit) {
        const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
        ok = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    if (ok && options.gid)
        ok = ::setgroups(0, nullptr) == 0 &&
             ::setresgid(*options.gid, *options.gid, *options.gid) == 0;
    if (ok && options.uid)
        ok = ::setresuid(*options.uid, *options.uid, *options.uid) == 0;
    if (ok)
        ::execve(argv[0], argv, envp);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

} // namespace

ChildProcess::ChildProcess(const QStringList& argv, const ChildOptions& options)
{
    if (argv.isEmpty())
        throw std::runtime_error("no program to start");
    m_program =
        argv.front().contains(u'/') ? argv.front() : QStandardPaths::findExecutable(argv.front());
    if (m_program.isEmpty())
        throw std::runtime_error("program not found: " + argv.front().toStdString());

    std::vector<QByteArray> args{QFile::encodeName(m_program)};
    for (qsizetype i = 1; i < argv.size(); ++i)
        args.push_back(argv[i].toLocal8Bit());
    std::vector<QByteArray> env = environmentFor(options);
    std::vector<char*> argp = pointersTo(args);
    std::vector<char*> envp = pointersTo(env);

    const int inFd = openOrThrow("/dev/null", O_RDONLY);
    const int outFd =
        options.outputFile.isEmpty()
            ? -1
            : openOrThrow(QFile::encodeName(options.outputFile), O_WRONLY | O_APPEND | O_CREAT);
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");

    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid == 0)
        execChild(parent, argp.data(), envp.data(), inFd, outFd, options.stdoutFd, errorPipe[1],
                  options);
    ::close(errorPipe[1]);
    ::close(inFd);
    if (outFd >= 0)
        ::close(outFd);
    int error = 0;
    const ssize_t got = m_pid < 0 ? 0 : ::read(errorPipe[0], &error, sizeof error);
    ::close(errorPipe[0]);
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (got == sizeof error) {
        reap(true);
        throw std::runtime_error("cannot start " + m_program.toStdString() + ": " +
                                 std::strerror(error));
    }
}

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::reap(bool block)
{
    if (m_status)
        return true;
    int status = 0;
    pid_t result;
    do
        result = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
    while (result < 0 && errno == EINTR);
    if (result == m_pid) {
        m_status = status;
        return true;
    }
    if (result < 0)
        m_status = -1; // not our child any more: nothing left to wait for
    return m_status.has_value();
}

bool ChildProcess::isRunning()
{
    return !reap(false);
}

void ChildProcess::signal(int signalNumber)
{
    if (isRunning())
        ::kill(m_pid, signalNumber);
}

bool ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (isRunning()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void ChildProcess::stop(std::chrono::milliseconds grace)
{
    if (m_pid <= 0 || !isRunning())
        return;
    ::kill(m_pid, SIGTERM);
    if (!waitForExit(grace)) {
        ::kill(m_pid, SIGKILL);
        reap(true);
    }
}

std::optional<int> ChildProcess::exitCode() const
{
    if (!m_status || !WIFEXITED(*m_status))
        return std::nullopt;
    return WEXITSTATUS(*m_status);
}

bool ChildProcess::killedBySignal() const
{
    return m_status && WIFSIGNALED(*m_status);
}

CommandResult runCommand(const QStringList& argv, const ChildOptions& options,
                         std::chrono::milliseconds timeout)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    ChildOptions withPipe = options;
    withPipe.stdoutFd = out[1];
    CommandResult result;
    std::unique_ptr<ChildProcess> started;
    try {
        started = std::make_unique<ChildProcess>(argv, withPipe);
    } catch (...) {
        ::close(out[0]);
        ::close(out[1]);
        throw;
    }
    {
        ChildProcess& child = *started;
        ::close(out[1]);
        ::fcntl(out[0], F_SETFL, O_NONBLOCK);
        const auto deadline = Clock::now() + timeout;
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(out[0], buffer, sizeof buffer);
            if (got > 0) {
                result.output.append(buffer, got);
                continue;
            }
            if (got == 0 || Clock::now() >= deadline)
                break; // end of output, or the command hangs
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const auto left = std::max(
            std::chrono::milliseconds(0),
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
        if (child.waitForExit(left))
            result.exitCode = child.exitCode().value_or(-1);
    }
    started.reset(); // stops a command that hangs
    ::close(out[0]);
    return result;
}

} // namespace vistrel::test
