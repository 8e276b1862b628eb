#pragma once

#include "hotkeys/HotkeyTable.h"

#include <QString>

namespace vistrel {

// Where the desktop grants no system-wide hotkeys, each entry becomes a command the user binds
// to a key in the desktop's keyboard settings; started while the program runs, the command
// hands its capture to the running copy.

// `text` as one word for a POSIX shell: unchanged when it holds only characters no shell
// treats specially, else in single quotes.
QString ShellWord(const QString& text);

// The command that carries out `entry`: the program, then each token of its parameter
// string as an argument of its own. Empty when the entry has no parameter string.
QString HotkeyCommandLine(const QString& program, const TWinHotKey& entry);

// The program as the user starts it: the bare name when the search path finds this very
// launcher, else its full path.
QString BoundCommandProgram();

// Said in the hotkey dialogs where the desktop grants no system-wide hotkeys.
QString CommandLineHotkeysNote();

} // namespace vistrel
