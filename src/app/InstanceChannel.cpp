#include "app/InstanceChannel.h"

#include "platform/PrivateFolder.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace vistrel {

namespace {

bool sameUser(const QLocalSocket& socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::getuid();
}

} // namespace

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
        if (socket->bytesAvailable() > RequestLines::MaximumLine)
            socket->abort();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr); // one request per connection
    const std::optional<HandedRequest> request =
        RequestLines::parseRequest(socket->readLine(RequestLines::MaximumLine));
    if (!request) {
        socket->abort();
        return;
    }
    socket->write(RequestLines::Accepted);
    socket->flush();
    connect(socket, &QLocalSocket::readyRead, this,
            [this, socket, request = *request] { readGoAhead(socket, request); });
}

void RequestServer::readGoAhead(QLocalSocket* socket, const HandedRequest& request)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > RequestLines::MaximumLine)
            socket->abort();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (socket->readLine(RequestLines::MaximumLine) != RequestLines::Go) {
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
    guarded->write(RequestLines::result(result));
    guarded->disconnectFromServer();
}

} // namespace vistrel
