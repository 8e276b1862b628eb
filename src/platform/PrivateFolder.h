#pragma once

#include <QString>

namespace vistrel {

// A folder only this user controls: a real folder (not a link), owned by the
// user, closed to everyone else. Anything else could be planted or squatted by
// another local user.
bool IsPrivateFolder(const QString& path);

// Makes `path` such a folder (mode 0700), or closes an existing folder of the
// user's to others; false when what is there is not the user's own folder.
bool MakePrivateFolder(const QString& path);

// Makes `path` and every missing folder above it with mode 0700, as the XDG base-directory
// rules want for folders a program creates; folders that exist are left as they are.
// True when `path` is a folder afterwards.
bool MakeFolderPathPrivately(const QString& path);

} // namespace vistrel
