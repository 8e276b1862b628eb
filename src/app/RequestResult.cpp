#include "app/RequestResult.h"

#include <cstdio>

namespace vistrel {

namespace {

QString outcomeReason(RequestCapture::Outcome outcome, int action)
{
    using Outcome = RequestCapture::Outcome;
    switch (outcome) {
    case Outcome::NotRun:
        return QStringLiteral("no capture kind or no after-capture action was given");
    case Outcome::Aborted:
        return QStringLiteral("the capture was aborted");
    case Outcome::Cancelled:
        return QStringLiteral("the request was cancelled");
    case Outcome::Unavailable:
        return QStringLiteral("after-capture action %1 is not available").arg(action);
    case Outcome::NotDone:
        return QStringLiteral("after-capture action %1 did not complete").arg(action);
    case Outcome::Failed:
    case Outcome::Done:
        break;
    }
    return QStringLiteral("after-capture action %1 failed").arg(action);
}

} // namespace

RequestResult SummariseRequest(RequestCapture::Outcome outcome, int action,
                               const QList<CollectedMessages::Message>& messages)
{
    for (const CollectedMessages::Message& message : messages)
        if (message.isError)
            return {1, message.text};
    const QString shown = messages.isEmpty() ? QString() : messages.first().text;
    if (outcome == RequestCapture::Outcome::Done)
        return {0, shown};
    return {1, shown.isEmpty() ? outcomeReason(outcome, action) : shown};
}

void ReportOnStandardError(const QString& reason)
{
    if (!reason.isEmpty())
        std::fprintf(stderr, "vistrel: %s\n", reason.simplified().toLocal8Bit().constData());
}

} // namespace vistrel
