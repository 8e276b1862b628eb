#include "app/InstanceRequest.h"

#include "app/SingleInstance.h"
#include "platform/PrivateFolder.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vistrel {

namespace {

using Clock = std::chrono::steady_clock;

const QString EndedEarly = QStringLiteral("起動中の Vistrel が応答する前に終了しました。");

QByteArray jsonLine(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

// One connected client socket, closed when it goes.
class Connection {
public:
    Connection() = default;
    ~Connection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // One attempt to connect; false also while the server's queue is full, which sets
    // `listening`.
    bool connectTo(const QByteArray& path, bool& listening);
    bool writeAll(const QByteArray& data, std::optional<Clock::time_point> deadline);
    // One line; nothing when the socket closes first or the deadline passes.
    std::optional<QByteArray> readLine(std::optional<Clock::time_point> deadline);

private:
    // False when the deadline passed before the socket was ready.
    bool waitFor(short events, std::optional<Clock::time_point> deadline) const;

    int m_fd = -1;
    QByteArray m_buffer;
};

bool Connection::waitFor(short events, std::optional<Clock::time_point> deadline) const
{
    for (;;) {
        int timeout = -1;
        if (deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
            timeout = int(std::max<std::int64_t>(0, left.count()));
        }
        pollfd entry{m_fd, events, 0};
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool Connection::connectTo(const QByteArray& path, bool& listening)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0)
        return false;
    // A Unix socket connects at once or not at all (EAGAIN: the queue is full, try again).
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        listening = true;
        return true;
    }
    if (errno == EAGAIN)
        listening = true;
    return false;
}

bool Connection::writeAll(const QByteArray& data, std::optional<Clock::time_point> deadline)
{
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t sent =
            ::send(m_fd, data.constData() + written, size_t(data.size() - written), MSG_NOSIGNAL);
        if (sent > 0)
            written += sent;
        else if (sent < 0 && errno == EINTR)
            continue;
        else if (sent < 0 && errno == EAGAIN) {
            if (!waitFor(POLLOUT, deadline))
                return false;
        } else
            return false;
    }
    return true;
}

std::optional<QByteArray> Connection::readLine(std::optional<Clock::time_point> deadline)
{
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = m_buffer.left(end + 1);
            m_buffer.remove(0, end + 1);
            return line;
        }
        if (m_buffer.size() > RequestLines::MaximumLine)
            return std::nullopt;
        char chunk[4096];
        const ssize_t received = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (received > 0)
            m_buffer.append(chunk, received);
        else if (received == 0)
            return std::nullopt;
        else if (errno == EAGAIN) {
            if (!waitFor(POLLIN, deadline))
                return std::nullopt;
        } else if (errno != EINTR)
            return std::nullopt;
    }
}

bool connectWithin(Connection& connection, const QString& path, Clock::time_point deadline,
                   bool& listening)
{
    const QByteArray encoded = QFile::encodeName(path);
    // The running program may still be starting: try again until it listens.
    for (;;) {
        if (connection.connectTo(encoded, listening))
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

} // namespace

QString RequestSocketPath()
{
    return RequestSocketPath(SingleInstance::runtimeFolder());
}

QString RequestSocketPath(const QString& folder)
{
    return folder + QStringLiteral("/VistrelRequests-") + SingleInstance::displayKey();
}

QString RequestChannelProblem()
{
    const QString folder = SingleInstance::runtimeFolder();
    if (folder.isEmpty())
        return QStringLiteral("後から起動した Vistrel の要求を受け付けられません。"
                              "ソケットを置く安全なフォルダがありません（%1、%2）。")
            .arg(qEnvironmentVariable("XDG_RUNTIME_DIR", QStringLiteral("XDG_RUNTIME_DIR なし")),
                 SingleInstance::cacheFolder());
    return QStringLiteral("後から起動した Vistrel の要求を受け付けられません（%1）。")
        .arg(RequestSocketPath(folder));
}

namespace {

std::optional<RequestResult> handOver(const QString& socketPath, const HandedRequest& request,
                                      std::chrono::milliseconds answerTime, bool& listening)
{
    // Only a folder no other user can write to may hold the socket: anyone who could
    // would be able to take the requests, or answer them.
    if (!IsPrivateFolder(QFileInfo(socketPath).absolutePath()))
        return std::nullopt;
    const Clock::time_point deadline = Clock::now() + answerTime;
    Connection connection;
    if (!connectWithin(connection, socketPath, deadline, listening))
        return std::nullopt;
    if (!connection.writeAll(RequestLines::request(request), deadline))
        return std::nullopt;
    if (connection.readLine(deadline) != RequestLines::Accepted)
        return std::nullopt;
    if (!connection.writeAll(RequestLines::Go, std::nullopt))
        return RequestResult{1, EndedEarly};
    const std::optional<QByteArray> answer = connection.readLine(std::nullopt);
    if (!answer)
        return RequestResult{1, EndedEarly};
    return RequestLines::parseResult(*answer);
}

} // namespace

std::optional<RequestResult> HandToRunningInstance(const QString& socketPath,
                                                   const HandedRequest& request,
                                                   std::chrono::milliseconds answerTime,
                                                   bool* listening)
{
    bool reached = false;
    const std::optional<RequestResult> result = handOver(socketPath, request, answerTime, reached);
    if (listening != nullptr)
        *listening = reached;
    return result;
}

namespace RequestLines {

QByteArray request(const HandedRequest& request)
{
    QJsonObject message;
    message.insert(QStringLiteral("arguments"), QJsonArray::fromStringList(request.arguments));
    message.insert(QStringLiteral("workingDir"), request.workingDir);
    return jsonLine(message);
}

std::optional<HandedRequest> parseRequest(const QByteArray& line)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    const QJsonValue arguments = object.value(QStringLiteral("arguments"));
    const QJsonValue folder = object.value(QStringLiteral("workingDir"));
    if (!arguments.isArray() || !folder.isString())
        return std::nullopt;
    HandedRequest handed;
    handed.workingDir = folder.toString();
    for (const QJsonValue& argument : arguments.toArray())
        handed.arguments << argument.toString();
    return handed;
}

QByteArray result(const RequestResult& result)
{
    QJsonObject answer;
    answer.insert(QStringLiteral("status"), result.exitCode);
    answer.insert(QStringLiteral("reason"), result.reason);
    return jsonLine(answer);
}

RequestResult parseResult(const QByteArray& line)
{
    const QJsonObject result = QJsonDocument::fromJson(line).object();
    return RequestResult{result.value(QStringLiteral("status")).toInt(1),
                         result.value(QStringLiteral("reason")).toString()};
}

} // namespace RequestLines

} // namespace vistrel
