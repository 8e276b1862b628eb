#pragma once

#include <QByteArray>
#include <QString>

namespace vistrel {

// The cause of a failed system call, in the user's words ("ディスクの空き容量が
// 足りません" rather than "Unknown error").
QString systemErrorText(int error);

// Writes all of `bytes` to `fd`, going on after interruptions; false with errno set (ENOSPC
// when the file system took nothing) otherwise.
bool writeAllToDescriptor(int fd, const QByteArray& bytes);

// Writes `bytes` beside `path` under a temporary name, then renames it over
// `path`, so that a failure leaves any old file intact and no partial file
// behind. Every write is checked: a full disk or a size limit is a failure,
// never a truncated file. A symbolic link under `path` is followed (the file
// it points at is replaced), keeping a user's link to a settings file working.
// The data reaches the disk before the name (fsync) when an old file is replaced, or when
// `durable` asks for it, so that a crash cannot leave an empty file where the old one was;
// a new name is not synced, as by most programs, since a crash can lose only the new data.
// Throws std::runtime_error "<path> に書き込めません" plus the cause.
void writeFileAtomically(const QString& path, const QByteArray& bytes, bool durable = false);

// Every file written under a temporary name first is named ".vistrel-<6 to 16 letters or
// digits>.part", in the folder of the file it will become.
bool isPartialFileName(const QString& name);
// A fresh, unused partial file's path in `folder` (not created).
QString newPartialFilePath(const QString& folder);
// Removes this user's partial files in `folder` left over from a run that was killed
// (untouched for a minute, so that a save in progress elsewhere keeps its file); anything
// else, links and other users' files included, stays. Each folder is swept once per run.
// Returns how many were removed.
int removeStalePartialFiles(const QString& folder);

// Reads a whole regular file of at most `maxBytes`. Returns false with
// `missing` set when there is no file; throws std::runtime_error
// "<path> を読み込めません" plus the cause for anything else that fails (a
// folder, a FIFO, a device, a file too large, an I/O error). Never blocks on a
// FIFO.
bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, bool& missing);

} // namespace vistrel
