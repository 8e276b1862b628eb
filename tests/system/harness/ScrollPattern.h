#pragma once

#include <cstdint>

namespace vistrel::test {

// The document of the scroll window at (x, y), as 0x00RRGGBB: red and the top
// of green spell the row, so that no two rows of a 5000-row document are alike.
inline std::uint32_t scrollPatternColour(int x, int y)
{
    const auto red = static_cast<std::uint32_t>(y & 0xff);
    const auto green = static_cast<std::uint32_t>((((y >> 8) & 0x1f) << 3) | ((x >> 5) & 7));
    const auto blue = static_cast<std::uint32_t>((x * 3 + y * 7) & 0xff);
    return (red << 16) | (green << 8) | blue;
}

} // namespace vistrel::test
