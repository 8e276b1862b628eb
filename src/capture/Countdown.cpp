#include "capture/Countdown.h"

#include <algorithm>

namespace vistrel {

void Countdown::start(int totalMilliseconds)
{
    m_total = totalMilliseconds;
    m_elapsed = 0;
    m_shown = std::max(totalMilliseconds, 0);
}

bool Countdown::tick()
{
    m_elapsed += CountdownClock::TickMilliseconds;
    if (!running())
        return false;
    m_shown = remaining();
    return true;
}

QString Countdown::secondsText() const
{
    return QString::number(m_shown / 1000);
}

QString Countdown::tenthsText() const
{
    // Whole tenths also for a total that is not a multiple of 100 ms.
    return QString::number(m_shown % 1000 / 100);
}

} // namespace vistrel
