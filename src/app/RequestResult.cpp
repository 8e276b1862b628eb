#include "app/RequestResult.h"

#include "output/AfterActionAvailability.h"

#include <cstdio>

namespace vistrel {

namespace {

// The after-capture actions as the menus name them.
QString actionName(int action)
{
    if (action >= 1 && action <= 9)
        return QStringLiteral("「%1」").arg(AfterActionCaption(action));
    return QString::number(action);
}

QString outcomeReason(RequestCapture::Outcome outcome, int action)
{
    using Outcome = RequestCapture::Outcome;
    switch (outcome) {
    case Outcome::NotRun:
        return QStringLiteral("キャプチャの種類かキャプチャ後の処理が指定されていません。");
    case Outcome::Aborted:
        return QStringLiteral("キャプチャ処理が中断されました。");
    case Outcome::Cancelled:
        return QStringLiteral("要求は取り消されました。");
    case Outcome::Unavailable:
        return QStringLiteral("キャプチャ後の処理%1は使用できません。").arg(actionName(action));
    case Outcome::NotDone:
        return QStringLiteral("キャプチャ後の処理%1は完了しませんでした。").arg(actionName(action));
    case Outcome::Failed:
    case Outcome::Done:
        break;
    }
    return QStringLiteral("キャプチャ後の処理%1に失敗しました。").arg(actionName(action));
}

} // namespace

RequestResult SummariseRequest(RequestCapture::Outcome outcome, int action,
                               const QList<CollectedMessages::Message>& messages,
                               const QString& actionNote)
{
    for (const CollectedMessages::Message& message : messages)
        if (message.isError)
            return {1, message.text};
    const QString shown = messages.isEmpty() ? QString() : messages.first().text;
    if (outcome == RequestCapture::Outcome::Done)
        return {0, shown};
    if (!shown.isEmpty())
        return {1, shown};
    if (outcome == RequestCapture::Outcome::NotDone && !actionNote.isEmpty())
        return {1, actionNote};
    return {1, outcomeReason(outcome, action)};
}

void ReportOnStandardError(const QString& reason)
{
    if (!reason.isEmpty())
        std::fprintf(stderr, "vistrel: %s\n", reason.simplified().toLocal8Bit().constData());
}

} // namespace vistrel
