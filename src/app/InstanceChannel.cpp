#include "app/InstanceChannel.h"

#include "platform/PrivateFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vistrel {

namespace {

// How long the server waits before accepting again after running out of descriptors.
constexpr std::chrono::milliseconds AcceptBackOff{100};
constexpr int ListenQueue = 128;

bool sameUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

void drop(QLocalSocket* socket)
{
    socket->abort();
    socket->deleteLater();
}

unsigned long inodeOf(const QByteArray& path)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

RequestServer::RequestServer(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler))
{
    m_backOff.setSingleShot(true);
    m_backOff.setInterval(AcceptBackOff);
    connect(&m_backOff, &QTimer::timeout, this, [this] {
        m_notifier->setEnabled(true);
        acceptConnections();
    });
}

RequestServer::~RequestServer()
{
    if (m_listening < 0)
        return;
    delete m_notifier;
    ::close(m_listening);
    // Only our own socket goes: a later copy may already have made its own.
    const QByteArray path = QFile::encodeName(m_socketPath);
    if (inodeOf(path) == m_socketInode)
        ::unlink(path.constData());
}

bool RequestServer::listen(const QString& socketPath)
{
    if (!IsPrivateFolder(QFileInfo(socketPath).absolutePath()))
        return false;
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(path.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), 0600) != 0 || ::listen(fd, ListenQueue) != 0) {
        ::close(fd);
        return false;
    }
    m_listening = fd;
    m_socketPath = socketPath;
    m_socketInode = inodeOf(path);
    m_notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &RequestServer::acceptConnections);
    return true;
}

void RequestServer::acceptConnections()
{
    for (;;) {
        const int fd = ::accept4(m_listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            if (sameUser(fd))
                adopt(fd);
            else
                ::close(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            backOff();
        return;
    }
}

void RequestServer::backOff()
{
    // Out of descriptors or memory: a caller that holds a connection without asking
    // anything gives one back, and the rest wait for the next try.
    dropOldestWaiting();
    m_notifier->setEnabled(false);
    m_backOff.start();
}

void RequestServer::adopt(int fd)
{
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
        ::close(fd);
        delete socket;
        return;
    }
    if (m_held >= MaximumConnections)
        dropOldestWaiting();
    ++m_held;
    connect(socket, &QObject::destroyed, this, [this, socket] {
        --m_held;
        m_accepted.remove(socket);
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    m_waiting << socket;
    // A caller that does not finish its request in time holds a connection for nothing. What
    // arrived while the program was busy counts: it is read before the caller is judged.
    QTimer::singleShot(m_requestTime, socket, [this, socket] {
        readLines(socket);
        if (m_waiting.contains(socket) || m_accepted.contains(socket))
            drop(socket);
    });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readLines(socket); });
    readLines(socket);
}

void RequestServer::dropOldestWaiting()
{
    m_waiting.removeAll(nullptr);
    if (!m_waiting.isEmpty())
        drop(m_waiting.takeFirst());
}

void RequestServer::readLines(QLocalSocket* socket)
{
    if (m_waiting.contains(socket))
        readRequest(socket);
    if (m_accepted.contains(socket))
        readGoAhead(socket);
}

void RequestServer::readRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > RequestLines::MaximumLine)
            drop(socket);
        return;
    }
    m_waiting.removeAll(socket);
    const std::optional<HandedRequest> request =
        RequestLines::parseRequest(socket->readLine(RequestLines::MaximumLine));
    if (!request) {
        drop(socket);
        return;
    }
    m_accepted.insert(socket, *request);
    socket->write(RequestLines::Accepted);
    socket->flush();
}

void RequestServer::readGoAhead(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > RequestLines::MaximumLine)
            drop(socket);
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr); // one request per connection
    const HandedRequest request = m_accepted.take(socket);
    if (socket->readLine(RequestLines::MaximumLine) != RequestLines::Go) {
        drop(socket);
        return;
    }
    m_queue.append({socket, request});
    // Carried out from the event loop, not inside the socket's own signal.
    QTimer::singleShot(0, this, &RequestServer::serveNext);
}

void RequestServer::serveNext()
{
    // One request at a time, in the order they came: a request handed over while another
    // runs waits for it instead of meeting a busy program.
    if (m_serving || m_queue.isEmpty())
        return;
    const Queued next = m_queue.takeFirst();
    if (next.socket && next.socket->state() == QLocalSocket::ConnectedState) {
        m_serving = true;
        const RequestResult result = m_handler(next.request);
        m_serving = false;
        // The caller may have given up meanwhile.
        if (next.socket && next.socket->state() == QLocalSocket::ConnectedState) {
            next.socket->write(RequestLines::result(result));
            next.socket->disconnectFromServer();
        }
    }
    if (!m_queue.isEmpty())
        QTimer::singleShot(0, this, &RequestServer::serveNext);
}

} // namespace vistrel
