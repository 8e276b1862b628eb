#pragma once

#include <csetjmp>

namespace vistrel {

// Runs a sequence of codec-library calls that may leave through longjmp on error (libjpeg,
// libpng). Returns false when they did. `calls` must not create objects with destructors:
// the jump skips them. Keeping setjmp in this frame leaves the caller's locals untouched.
template <typename Calls>
bool runGuarded(std::jmp_buf& jump, Calls&& calls)
{
    if (setjmp(jump) != 0)
        return false;
    calls();
    return true;
}

} // namespace vistrel
