// The dotted-decimal rule and the two OSPF identifiers read from text, each against a plain
// reading of the grammar: four dot-separated parts of one to three ASCII digits, each at most 255;
// an area id with no "." is a 32-bit decimal number with an optional leading "+".
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "check.h"
#include "packet/ospf.h"

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

std::optional<base::Ipv4Addr> reference_dotted(std::string_view s) {
  base::Ipv4Addr addr;
  std::size_t part = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = s.find('.', start);
    const std::string_view piece =
        s.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (part == 4 || piece.empty() || piece.size() > 3) {
      return std::nullopt;
    }
    unsigned value = 0;
    for (char c : piece) {
      if (!is_digit(c)) {
        return std::nullopt;
      }
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) {
      return std::nullopt;
    }
    addr.octets[part++] = static_cast<std::uint8_t>(value);
    if (dot == std::string_view::npos) {
      break;
    }
    start = dot + 1;
  }
  if (part != 4) {
    return std::nullopt;
  }
  return addr;
}

std::optional<std::uint32_t> reference_u32(std::string_view s) {
  if (!s.empty() && s[0] == '+') {
    s.remove_prefix(1);
  }
  if (s.empty()) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (char c : s) {
    if (!is_digit(c)) {
      return std::nullopt;
    }
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFu) {
      return std::nullopt;
    }
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string owned(text);

  const auto want = reference_dotted(text);
  const auto dotted = base::parse_dotted_decimal(text);
  FUZZ_CHECK(dotted == want);
  if (dotted) {
    // What is printed reads back as the same address, and is the shortest form.
    const std::string printed = base::to_dotted(*dotted);
    FUZZ_CHECK(base::parse_dotted_decimal(printed) == dotted);
    FUZZ_CHECK(printed.size() <= text.size());
  }

  const auto router = packet::ospf::RouterId::from_str(text);
  FUZZ_CHECK(router.has_value() == want.has_value());
  if (router) {
    FUZZ_CHECK(router->addr == *want);
  } else {
    FUZZ_CHECK(base::to_string(router.error()) == "invalid IP address syntax");
  }

  const auto area = packet::ospf::AreaId::from_str(text);
  if (text.find('.') != std::string_view::npos) {
    if (want) {
      FUZZ_CHECK(area.has_value() && area->addr == *want);
    } else {
      FUZZ_CHECK(!area.has_value() &&
                 area.error() == owned + " is not a valid dotted decimal format");
    }
  } else if (const auto number = reference_u32(text)) {
    FUZZ_CHECK(area.has_value() && area->addr == base::Ipv4Addr::from_u32(*number));
  } else {
    FUZZ_CHECK(!area.has_value() && area.error() == owned + " is not a valid u32 integer");
  }
  return 0;
}
