#pragma once

#include <QString>

namespace vistrel {

// X11 and Wayland forget a clipboard when the program that owns it ends. At exit the copied
// picture is handed to a keeping process of ours (this program started with KeeperArgument,
// or WaylandKeeperArgument under Wayland), which gives it to a clipboard manager when one
// runs on X11, or otherwise serves it itself until another program takes the clipboard. It
// holds the picture in memory only.
class ClipboardKeeper {
public:
    static inline const char* const KeeperArgument = "--keep-clipboard";
    static inline const char* const WaylandKeeperArgument = "--keep-clipboard-wayland";

    static bool isKeeperArgument(const char* argument);

    enum class Result { NothingToKeep, Kept, Failed };

    // At exit: when the clipboard still holds this program's picture, waits (bounded) until
    // the keeping process or a clipboard manager has it. `reason` says why it failed.
    // A Wayland compositor gives the clipboard only to a program with the keyboard focus, so
    // a run without a window (`windowLess`) keeps the picture it copied whatever Qt thinks
    // it owns.
    static Result keepAfterExit(QString* reason, bool windowLess = false);

    // The keeping process: reads the picture from standard input, reports on standard
    // output once the clipboard is kept, and serves it. Returns the exit status.
    static int runKeeper(const char* argument);
};

} // namespace vistrel
