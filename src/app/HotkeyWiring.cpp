#include "app/HotkeyWiring.h"

#include "app/CommandMap.h"
#include "app/TfrmMain.h"

namespace vistrel {

HotkeyWiring::HotkeyWiring(TfrmMain& main) : m_main(main) {}

void HotkeyWiring::bind(CommandMap& commands)
{
    Q_UNUSED(commands);
}

} // namespace vistrel

namespace vistrel {

std::optional<int> HotkeyWiring::StartupCapture()
{
    return std::nullopt;
}

void HotkeyWiring::RegisterAllHotkeys() {}

void HotkeyWiring::UnregisterAllHotkeys() {}

} // namespace vistrel
