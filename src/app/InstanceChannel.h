#pragma once

#include "app/InstanceRequest.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

class QLocalSocket;
class QSocketNotifier;

namespace vistrel {

// The running program's side: accepts requests from processes of the same user only,
// answers at once that a request was taken, carries the requests out one after the other
// from the event loop and sends each result back. It keeps listening whatever its callers do: a
// failed accept (no descriptor left) is tried again shortly, at most MaximumConnections are held
// (the oldest that has not yet asked anything is dropped for a new one), a connection that has not
// sent its whole request within the request time is dropped, and the socket file stays
// in place while the program runs.
class RequestServer : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<RequestResult(const HandedRequest&)>;

    static constexpr qsizetype MaximumConnections = 64;

    explicit RequestServer(Handler handler, QObject* parent = nullptr);
    ~RequestServer() override;

    // Replaces a socket left by an ended program: the caller holds the single-instance lock.
    bool listen(const QString& socketPath);
    // How long a caller may take to send its request and its go-ahead (10 s).
    void setRequestTime(std::chrono::milliseconds time) { m_requestTime = time; }

private:
    void acceptConnections();
    // After an accept that failed for want of resources: listen again a little later.
    void backOff();
    void adopt(int fd);
    void dropOldestWaiting();
    void readLines(QLocalSocket* socket);
    void readRequest(QLocalSocket* socket);
    void readGoAhead(QLocalSocket* socket);
    void serveNext();

    struct Queued {
        QPointer<QLocalSocket> socket;
        HandedRequest request;
    };

    Handler m_handler;
    int m_listening = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_backOff;
    QString m_socketPath;
    unsigned long m_socketInode = 0;
    std::chrono::milliseconds m_requestTime{10'000};
    qsizetype m_held = 0;
    // Connections that have not sent their request yet, oldest first.
    QList<QPointer<QLocalSocket>> m_waiting;
    // Requests taken, waiting for their caller's go-ahead.
    QHash<QLocalSocket*, HandedRequest> m_accepted;
    // Requests with their go-ahead, to be carried out one after the other.
    QList<Queued> m_queue;
    bool m_serving = false;
};

} // namespace vistrel
