#pragma once

#include <string_view>

namespace rotopal {

// The one version of the program, set in the top-level CMakeLists.txt.
inline constexpr std::string_view kVersion = ROTOPAL_VERSION;

}  // namespace rotopal
