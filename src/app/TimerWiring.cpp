#include "app/TimerWiring.h"

#include "app/CommandMap.h"
#include "app/TfrmMain.h"

namespace vistrel {

TimerWiring::TimerWiring(TfrmMain& main) : m_main(main) {}

void TimerWiring::bind(CommandMap& commands)
{
    Q_UNUSED(commands);
}

} // namespace vistrel
