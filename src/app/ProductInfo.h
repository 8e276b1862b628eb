#pragma once

namespace vistrel {

// The facts about the product that appear in more than one place.
inline constexpr const char* ProductName = "Vistrel";
inline constexpr const char* ProductVersion = "0.1.0";
inline constexpr const char* ProductHomePage = "https://vistrel.org/";
inline constexpr const char* ProductLicence = "MIT License";

} // namespace vistrel
