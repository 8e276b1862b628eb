#pragma once

#include "hotkeys/CaptureRequest.h"

#include <QString>
#include <QStringList>

namespace vistrel {

// The program's arguments split into the capture tokens and the pictures to open.
struct CommandLine {
    CaptureRequest request; // the tokens joined with "," and parsed
    QStringList pictures;   // absolute paths (or the text of a URL that is not a file)
    // Why the tokens cannot be run as given (an unknown token, a save type that names none);
    // empty when they can. Options that begin with "-" are Qt's and are not looked at.
    QString problem;

    bool hasCapture() const { return request.CaptureKind != 0 && request.AfterAction != 0; }
};

// A picture is a file: URL, an existing file, or a name that cannot be a token (tokens
// begin with "/" and hold no further "/" before their first "," or ";"). Relative names
// are taken from `workingDir`, the folder the program was started in.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& workingDir);

// The --help text; it lists only the after-capture actions that can be carried out.
QString UsageText();

// What a start with tokens it cannot run writes on standard error before ending with
// status 2: the reason, then the usage.
QString RefusedCommandLineText(const QString& problem);

} // namespace vistrel
