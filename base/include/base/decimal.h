// Unsigned decimal numbers as operators type them: an optional "+", then one or more ASCII
// digits (leading zeros allowed), nothing else; the value must not exceed a bound.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace base {

// `max` stays far below 2^64 (it is at most 2^32 - 1 here), so the digit-by-digit check cannot
// overflow however many digits follow.
std::optional<std::uint64_t> parse_decimal(std::string_view text, std::uint64_t max);

}  // namespace base
