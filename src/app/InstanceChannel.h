#pragma once

#include "app/InstanceRequest.h"

#include <QLocalServer>

#include <functional>

class QLocalSocket;

namespace vistrel {

// The running program's side: accepts requests from processes of the same user only,
// answers at once that a request was taken, carries it out from the event loop and sends
// its result back.
class RequestServer : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<RequestResult(const HandedRequest&)>;

    explicit RequestServer(Handler handler, QObject* parent = nullptr);

    // Replaces a socket left by an ended program: the caller holds the single-instance lock.
    bool listen(const QString& socketPath);

private:
    void acceptConnections();
    void readRequest(QLocalSocket* socket);
    void readGoAhead(QLocalSocket* socket, const HandedRequest& request);
    void serve(QLocalSocket* socket, const HandedRequest& request);

    QLocalServer m_server;
    Handler m_handler;
};

} // namespace vistrel
