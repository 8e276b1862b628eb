#pragma once

#include <QStringList>

class QWidget;

namespace vistrel {

// Asks once whether the files go to the trash; true for yes.
bool confirmMoveToTrash(const QStringList& paths, QWidget* parent);
// Moves each file to the freedesktop trash (the per-volume trash folder where the
// file's volume has one). Nothing is ever deleted outright. Returns the paths that
// could not be moved; the others are in the trash.
QStringList moveFilesToTrash(const QStringList& paths);
// The message naming the files that stayed where they were.
QString trashFailureMessage(const QStringList& failed);

} // namespace vistrel
