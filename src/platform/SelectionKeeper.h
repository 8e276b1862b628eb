#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace vistrel {

// One type a kept clipboard offers; the bytes are made when a program first asks.
struct SelectionOffer {
    QByteArray mimeType;
    std::function<QByteArray()> bytes;
};

// How the keeping of the clipboard settled.
enum class KeeperState {
    Saved,   // a clipboard manager took a copy; the keeper is done
    Serving, // the keeper owns the clipboard and serves it until another program takes it
    Failed,  // the clipboard could not be taken
};

// Serves the CLIPBOARD selection (never PRIMARY) from this process, on a display connection
// of its own and without Qt: used by the process that keeps a copy alive after the program
// has ended. When a clipboard manager runs, the contents are handed to it (SAVE_TARGETS) and
// the call returns; otherwise it returns once another program owns the clipboard. `settled`
// is called once, as soon as the outcome is known, with a reason when it failed.
void keepClipboardSelection(const std::vector<SelectionOffer>& offers,
                            const std::function<void(KeeperState, const QString&)>& settled);

// The same on Wayland, on a connection of its own: the clipboard is held through the
// compositor's data-control protocol (wlroots, KWin), which needs no window or focus, until
// another program takes it. Fails with a reason where the compositor offers no such protocol.
void keepWaylandClipboardSelection(const std::vector<SelectionOffer>& offers,
                                   const std::function<void(KeeperState, const QString&)>& settled);

} // namespace vistrel
