#include "base/decimal.h"

namespace base {

std::optional<std::uint64_t> parse_decimal(std::string_view text, std::uint64_t max) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > max) {
      return std::nullopt;
    }
  }
  return value;
}

}  // namespace base
