#pragma once

#include "app/RequestResult.h"

#include <QLocalServer>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

class QLocalSocket;

namespace vistrel {

// What a second start hands to the running program: its arguments and the folder it was
// started in, so that relative picture names mean what the user typed.
struct HandedRequest {
    QStringList arguments;
    QString workingDir;
};

// The per-user socket in the runtime folder through which the running program takes the
// requests of later starts.
QString RequestSocketPath();

// Second start: hands the request over and waits for the running program's result. Nothing
// when no program answered within `answerTime` (none listening yet, or one that hangs);
// once the request is accepted the wait lasts as long as the request runs.
std::optional<RequestResult> HandToRunningInstance(const QString& socketPath,
                                                   const HandedRequest& request,
                                                   std::chrono::milliseconds answerTime);

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
