#pragma once

#include <QDateTime>
#include <QList>
#include <QStringList>

class QWidget;

namespace vistrel {

// A file that stayed where it was, and why.
struct TrashFailure {
    QString path;
    QString reason;
};

// Asks once whether the files go to the trash; true for yes.
bool confirmMoveToTrash(const QStringList& paths, QWidget* parent);
// Moves each file to the freedesktop trash: the home trash for files on the home's
// filesystem, else the volume's own trash ($topdir/.Trash/$uid or $topdir/.Trash-$uid).
// The information file is written first and the file is moved only once it is complete,
// so the original place is never lost; nothing is ever deleted outright, and nothing is
// put anywhere but an absolute trash folder. Returns the files that stayed.
QList<TrashFailure> moveFilesToTrash(const QStringList& paths);
// The message naming the files that stayed where they were, with the causes.
QString trashFailureMessage(const QList<TrashFailure>& failed);

// The information file's text for `path` (absolute, or relative to a volume's top
// folder) deleted at `when`: the path percent-encoded as the freedesktop trash format wants.
QByteArray trashInfoText(const QByteArray& path, const QDateTime& when);

} // namespace vistrel
