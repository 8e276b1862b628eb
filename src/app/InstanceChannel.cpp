#include "app/InstanceChannel.h"

#include "app/SingleInstance.h"
#include "platform/PrivateFolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

constexpr qint64 MaximumLine = 64 * 1024;
const QByteArray AcceptedLine = "{\"accepted\":true}\n";
// The caller's go-ahead after the acceptance: a caller that gave up waiting never sends it,
// so a program that answers late does not carry out a request no one waits for.
const QByteArray GoLine = "go\n";

QByteArray jsonLine(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool sameUser(const QLocalSocket& socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::getuid();
}

std::optional<HandedRequest> parseRequest(const QByteArray& line)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    const QJsonValue arguments = object.value(QStringLiteral("arguments"));
    const QJsonValue folder = object.value(QStringLiteral("workingDir"));
    if (!arguments.isArray() || !folder.isString())
        return std::nullopt;
    HandedRequest request;
    request.workingDir = folder.toString();
    for (const QJsonValue& argument : arguments.toArray())
        request.arguments << argument.toString();
    return request;
}

// Reads one line; nothing when the socket closes first or, with a limit, when the time
// counted on `clock` runs out.
std::optional<QByteArray> readLine(QLocalSocket& socket, const QElapsedTimer& clock,
                                   std::optional<std::chrono::milliseconds> limit)
{
    while (!socket.canReadLine()) {
        const qint64 left = limit ? limit->count() - clock.elapsed() : -1;
        if ((limit && left <= 0) || !socket.waitForReadyRead(int(left)))
            return std::nullopt;
    }
    return socket.readLine(MaximumLine);
}

bool connectWithin(QLocalSocket& socket, const QString& path, const QElapsedTimer& clock,
                   std::chrono::milliseconds limit)
{
    // The running program may still be starting: try again until it listens.
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(std::max<qint64>(1, limit.count() - clock.elapsed()))))
            return true;
        if (clock.elapsed() >= limit.count())
            return false;
        QThread::msleep(100);
    }
}

} // namespace

QString RequestSocketPath()
{
    return SingleInstance::runtimeFolder() + QStringLiteral("/VistrelRequests");
}

std::optional<RequestResult> HandToRunningInstance(const QString& socketPath,
                                                   const HandedRequest& request,
                                                   std::chrono::milliseconds answerTime)
{
    // Only a folder no other user can write to may hold the socket: anyone who could
    // would be able to take the requests, or answer them.
    if (!IsPrivateFolder(QFileInfo(socketPath).absolutePath()))
        return std::nullopt;
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    if (!connectWithin(socket, socketPath, clock, answerTime))
        return std::nullopt;
    QJsonObject message;
    message.insert(QStringLiteral("arguments"), QJsonArray::fromStringList(request.arguments));
    message.insert(QStringLiteral("workingDir"), request.workingDir);
    socket.write(jsonLine(message));
    if (!socket.waitForBytesWritten(int(std::max<qint64>(1, answerTime.count() - clock.elapsed()))))
        return std::nullopt;
    if (readLine(socket, clock, answerTime) != AcceptedLine)
        return std::nullopt;
    socket.write(GoLine);
    if (!socket.waitForBytesWritten(-1))
        return RequestResult{1, QStringLiteral("the running program ended before it answered")};
    const std::optional<QByteArray> answer = readLine(socket, clock, std::nullopt);
    if (!answer)
        return RequestResult{1, QStringLiteral("the running program ended before it answered")};
    const QJsonObject result = QJsonDocument::fromJson(*answer).object();
    return RequestResult{result.value(QStringLiteral("status")).toInt(1),
                         result.value(QStringLiteral("reason")).toString()};
}

RequestServer::RequestServer(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &RequestServer::acceptConnections);
}

bool RequestServer::listen(const QString& socketPath)
{
    if (!IsPrivateFolder(QFileInfo(socketPath).absolutePath()))
        return false;
    QLocalServer::removeServer(socketPath);
    return m_server.listen(socketPath);
}

void RequestServer::acceptConnections()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!sameUser(*socket)) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
    }
}

void RequestServer::readRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaximumLine)
            socket->abort();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr); // one request per connection
    const std::optional<HandedRequest> request = parseRequest(socket->readLine(MaximumLine));
    if (!request) {
        socket->abort();
        return;
    }
    socket->write(AcceptedLine);
    socket->flush();
    connect(socket, &QLocalSocket::readyRead, this,
            [this, socket, request = *request] { readGoAhead(socket, request); });
}

void RequestServer::readGoAhead(QLocalSocket* socket, const HandedRequest& request)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaximumLine)
            socket->abort();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (socket->readLine(MaximumLine) != GoLine) {
        socket->abort();
        return;
    }
    // Carried out from the event loop, not inside the socket's own signal.
    QTimer::singleShot(0, this, [this, guarded = QPointer<QLocalSocket>(socket), request] {
        if (guarded && guarded->state() == QLocalSocket::ConnectedState)
            serve(guarded, request);
    });
}

void RequestServer::serve(QLocalSocket* socket, const HandedRequest& request)
{
    const QPointer<QLocalSocket> guarded(socket);
    const RequestResult result = m_handler(request);
    if (!guarded || guarded->state() != QLocalSocket::ConnectedState)
        return; // the caller gave up meanwhile
    QJsonObject answer;
    answer.insert(QStringLiteral("status"), result.exitCode);
    answer.insert(QStringLiteral("reason"), result.reason);
    guarded->write(jsonLine(answer));
    guarded->disconnectFromServer();
}

} // namespace vistrel
