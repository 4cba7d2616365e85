// The client's version, as the build declares it: the version lines, the start record and the
// REST User-Agent all show this one text.
#pragma once

#include <string_view>

namespace quamorsc {

inline constexpr std::string_view kVersion = QUAMORSC_VERSION;

}  // namespace quamorsc
