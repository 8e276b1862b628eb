#pragma once

#include <QString>

namespace vistrel::wayland {

// The shortcut the desktop is asked to suggest, in the notation of freedesktop's shortcut
// triggers ("CTRL+ALT+p", "LOGO+Print"): the modifiers of HotkeyModifier, then the key's
// keysym name.
QString PortalTrigger(quint32 modifiers, const QString& keysymName);

} // namespace vistrel::wayland
