#pragma once

#include <cstdint>

namespace vistrel::test {

// The colour the pattern window paints at (x, y) of its client area, as
// 0x00RRGGBB: every pixel tells where it came from (modulo 256).
inline std::uint32_t patternColour(int x, int y)
{
    const auto red = static_cast<std::uint32_t>(x & 0xff);
    const auto green = static_cast<std::uint32_t>(y & 0xff);
    const auto blue = static_cast<std::uint32_t>((x + y) & 0xff);
    return (red << 16) | (green << 8) | blue;
}

} // namespace vistrel::test
