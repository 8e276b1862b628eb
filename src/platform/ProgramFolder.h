#pragma once

#include <QString>

namespace vistrel {

// The folder of the program as users start it: the settings of a portable copy, the help
// pages and the default folders are found from here. An installed copy's full program sits
// apart from the launcher (in libexec), yet belongs to the launcher's folder.
QString ProgramFolder();

// A copy run from its own writable folder (the build tree, an unpacked copy): the full
// program sits beside the launcher. An installed copy (launcher in bin, full program in
// libexec) is never one, even for root, who may write to /usr/bin.
bool IsPortableCopy();

// Where pictures go by default: the program folder of a portable copy, else the user's
// pictures folder.
QString DefaultDataFolder();

} // namespace vistrel
