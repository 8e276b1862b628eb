#pragma once

#include "hotkeys/RequestCapture.h"
#include "platform/MessageBox.h"

#include <QList>
#include <QString>

namespace vistrel {

// What a run for a script tells it: the exit status and, unless all went well, one line
// saying why.
struct RequestResult {
    int exitCode = 0;
    QString reason;

    bool operator==(const RequestResult&) const = default;
};

// The result of a request from the way it ended, its action code and the texts of the boxes
// it would have shown. An error shown at any point makes it fail. `actionNote` is what an
// action that did not complete left in the status bar ("印刷するプリンタがありません。"):
// the reason, when no box said more.
RequestResult SummariseRequest(RequestCapture::Outcome outcome, int action,
                               const QList<CollectedMessages::Message>& messages,
                               const QString& actionNote = {});

// Writes a reason as the one line a script reads on standard error; nothing when empty.
void ReportOnStandardError(const QString& reason);

} // namespace vistrel
