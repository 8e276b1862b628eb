#pragma once

#include <chrono>
#include <thread>

namespace vistrel::test {

// Long enough for a loaded CI machine; a passing test never waits this long.
inline constexpr std::chrono::milliseconds DefaultTimeout = std::chrono::seconds(20);

// Polls `condition` until it holds or `timeout` has passed; true when it held.
template <class Condition>
bool waitFor(Condition&& condition, std::chrono::milliseconds timeout = DefaultTimeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace vistrel::test
