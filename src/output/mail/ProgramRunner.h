#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace vistrel {

// How a started program ended: not started at all, its exit status, or still running when
// the wait ran out.
struct ProgramOutcome {
    bool started = false;
    std::optional<int> exitStatus; // none when it did not end normally or still runs
    bool stillRunning = false;
};

// Starts `program` with `arguments` as they are (no shell sees them), its standard input read
// from `inputFile` when one is given, and waits for it while the window keeps painting.
// After `patience` the program is left running and reaped once it ends, or, with
// `stopWhenLate`, stopped and counted as failed. Its standard output and error go to
// `outputFile` when one is given.
ProgramOutcome RunProgram(const QString& program, const QStringList& arguments,
                          const QString& inputFile, std::chrono::milliseconds patience,
                          bool stopWhenLate, const QString& outputFile = {});

} // namespace vistrel
