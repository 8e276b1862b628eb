#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace vistrel {

struct SpawnOptions {
    QString inputFile;       // standard input; /dev/null when empty
    bool searchPath = false; // look the program up in PATH
    bool newSession = false; // detached from our terminal and session
};

// Starts a program without a shell, its arguments as given. The program may
// outlive us: it holds none of our descriptors (lock file, X connection) and
// starts with default signal handling, whatever we block or ignore.
// Returns its process id, or -1 when it could not be started. Its standard output and error
// go to `outputFile` (replaced) when one is given, else to ours.
pid_t SpawnProgram(const QString& program, const QStringList& arguments,
                   const SpawnOptions& options = {}, const QString& outputFile = {});

// Collects the exit of a started program later, so that it leaves no zombie.
void ReapWhenDone(pid_t pid);

} // namespace vistrel
