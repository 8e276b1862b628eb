#pragma once

#include "app/RequestResult.h"

#include <QByteArray>
#include <QStringList>

#include <chrono>
#include <optional>

namespace vistrel {

// What a second start hands to the running program: its arguments and the folder it was
// started in, so that relative picture names mean what the user typed.
struct HandedRequest {
    QStringList arguments;
    QString workingDir;
};

// The per-user, per-display socket in the runtime folder (or in `folder`) through which the
// running program takes the requests of later starts.
QString RequestSocketPath();
QString RequestSocketPath(const QString& folder);
// What the running program says when later starts cannot reach it: where the socket was to
// be, or which folders were not safe for it.
QString RequestChannelProblem();

// Second start: hands the request over and waits for the running program's result. Nothing
// when no program answered within `answerTime` (none listening yet, or one that hangs);
// once the request is accepted the wait lasts as long as the request runs. A plain Unix
// socket, so that a start which only hands over loads no network library. `listening` tells
// a program that listens but was too busy to answer from one that does not listen at all.
std::optional<RequestResult> HandToRunningInstance(const QString& socketPath,
                                                   const HandedRequest& request,
                                                   std::chrono::milliseconds answerTime,
                                                   bool* listening = nullptr);

// The lines both sides exchange: the request, the acceptance, the caller's go-ahead and the
// result, each one line of at most MaximumLine bytes.
namespace RequestLines {
inline constexpr qint64 MaximumLine = 64 * 1024;
inline const QByteArray Accepted = "{\"accepted\":true}\n";
// A caller that gave up waiting never sends it, so a program that answers late does not
// carry out a request no one waits for.
inline const QByteArray Go = "go\n";

QByteArray request(const HandedRequest& request);
std::optional<HandedRequest> parseRequest(const QByteArray& line);
QByteArray result(const RequestResult& result);
RequestResult parseResult(const QByteArray& line);
} // namespace RequestLines

} // namespace vistrel
