#pragma once

#include <QString>

namespace vistrel {

// The folder of the program as users start it: the settings of a portable copy, the help
// pages and the default folders are found from here. An installed copy's full program sits
// apart from the launcher (in libexec), yet belongs to the launcher's folder.
QString ProgramFolder();

// Where pictures go by default: the program folder when it is writable (a portable copy),
// else the user's pictures folder.
QString DefaultDataFolder();

} // namespace vistrel
