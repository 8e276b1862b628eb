#pragma once

#include "app/ProductVersion.h"

namespace vistrel {

// The facts about the product that appear in more than one place.
inline constexpr const char* ProductName = "Vistrel";
inline constexpr const char* ProductVersion = VISTREL_VERSION;
inline constexpr const char* ProductHomePage = "https://vistrel.org/";
inline constexpr const char* ProductLicence = "MIT License";

} // namespace vistrel
