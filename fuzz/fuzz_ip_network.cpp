// The two network parsers against a plain reading of their grammar (address, optional "/" and
// length) with their exact error texts, and the printed forms reading back as the same network.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/ip_network.h"
#include "base/ipv4.h"
#include "check.h"

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

int hex_value(char c) {
  if (is_digit(c)) {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

std::vector<std::string_view> split(std::string_view s, char sep) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t at = s.find(sep, start);
    pieces.push_back(s.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) {
      return pieces;
    }
    start = at + 1;
  }
}

std::optional<base::Ipv4Addr> dotted(std::string_view s) {
  const auto parts = split(s, '.');
  if (parts.size() != 4) {
    return std::nullopt;
  }
  base::Ipv4Addr addr;
  for (std::size_t i = 0; i < 4; ++i) {
    if (parts[i].empty() || parts[i].size() > 3) {
      return std::nullopt;
    }
    unsigned v = 0;
    for (char c : parts[i]) {
      if (!is_digit(c)) {
        return std::nullopt;
      }
      v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 255) {
      return std::nullopt;
    }
    addr.octets[i] = static_cast<std::uint8_t>(v);
  }
  return addr;
}

// An 8-bit decimal length: an optional "+", digits, at most 255 and at most `max`.
std::optional<std::uint8_t> length(std::string_view s, unsigned max) {
  if (!s.empty() && s[0] == '+') {
    s.remove_prefix(1);
  }
  if (s.empty()) {
    return std::nullopt;
  }
  unsigned v = 0;
  for (char c : s) {
    if (!is_digit(c)) {
      return std::nullopt;
    }
    v = v * 10 + static_cast<unsigned>(c - '0');
    if (v > 255) {
      return std::nullopt;
    }
  }
  if (v > max) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(v);
}

tl::expected<base::Ipv4Network, std::string> reference_v4(std::string_view text) {
  const auto pieces = split(text, '/');
  if (pieces.size() > 2) {
    return tl::unexpected("invalid cidr format: CIDR must contain a single '/': " +
                          std::string(text));
  }
  const auto addr = dotted(pieces[0]);
  if (!addr) {
    return tl::unexpected("invalid address: " + std::string(pieces[0]));
  }
  base::Ipv4Network net{*addr, 32};
  if (pieces.size() == 2) {
    const auto len = length(pieces[1], 32);
    if (!len) {
      return tl::unexpected(std::string("invalid prefix"));
    }
    net.prefix = *len;
  }
  return net;
}

// Groups of one to four hex digits joined by ":" on one side of a "::"; the very last piece of
// the address may be a dotted IPv4 address standing for two groups.
bool side_groups(std::string_view side, bool last_side, std::vector<std::uint16_t>& out) {
  if (side.empty()) {
    return true;
  }
  const auto pieces = split(side, ':');
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::string_view p = pieces[i];
    if (last_side && i + 1 == pieces.size() && p.find('.') != std::string_view::npos) {
      const auto v4 = dotted(p);
      if (!v4) {
        return false;
      }
      out.push_back(static_cast<std::uint16_t>(v4->octets[0] << 8 | v4->octets[1]));
      out.push_back(static_cast<std::uint16_t>(v4->octets[2] << 8 | v4->octets[3]));
      continue;
    }
    if (p.empty() || p.size() > 4) {
      return false;
    }
    unsigned v = 0;
    for (char c : p) {
      const int h = hex_value(c);
      if (h < 0) {
        return false;
      }
      v = v * 16 + static_cast<unsigned>(h);
    }
    out.push_back(static_cast<std::uint16_t>(v));
  }
  return true;
}

std::optional<base::Ipv6Addr> ipv6(std::string_view s) {
  const std::size_t gap = s.find("::");
  std::vector<std::uint16_t> head;
  std::vector<std::uint16_t> tail;
  if (gap == std::string_view::npos) {
    if (!side_groups(s, true, head) || head.size() != 8) {
      return std::nullopt;
    }
  } else {
    const std::string_view after = s.substr(gap + 2);
    if (after.find("::") != std::string_view::npos || after.starts_with(':') ||
        !side_groups(s.substr(0, gap), false, head) || !side_groups(after, true, tail) ||
        head.size() + tail.size() > 7) {
      return std::nullopt;  // "::" stands for at least one group
    }
    head.resize(8 - tail.size(), 0);
    head.insert(head.end(), tail.begin(), tail.end());
  }
  base::Ipv6Addr addr;
  for (std::size_t i = 0; i < 8; ++i) {
    addr.octets[2 * i] = static_cast<std::uint8_t>(head[i] >> 8);
    addr.octets[2 * i + 1] = static_cast<std::uint8_t>(head[i]);
  }
  return addr;
}

std::optional<base::Ipv6Network> reference_v6(std::string_view text) {
  const auto pieces = split(text, '/');
  if (pieces.size() > 2) {
    return std::nullopt;
  }
  const auto addr = ipv6(pieces[0]);
  if (!addr) {
    return std::nullopt;
  }
  base::Ipv6Network net{*addr, 128};
  if (pieces.size() == 2) {
    const auto len = length(pieces[1], 128);
    if (!len) {
      return std::nullopt;
    }
    net.prefix = *len;
  }
  return net;
}

std::string printed(const base::Ipv6Network& net) {
  std::string out;
  base::append_ipv6(out, net.addr);
  return out + "/" + std::to_string(net.prefix);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const auto want4 = reference_v4(text);
  const auto got4 = base::parse_ipv4_network(text);
  FUZZ_CHECK(got4 == want4);
  if (got4) {
    FUZZ_CHECK(base::parse_ipv4_network(base::to_string(*got4)) == got4);
    const base::Ipv4Network net = got4->network();
    FUZZ_CHECK(net.prefix == got4->prefix);
    const std::uint32_t mask = net.prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - net.prefix);
    FUZZ_CHECK(net.addr.to_u32() == (got4->addr.to_u32() & mask));
  }

  const auto got = base::parse_ip_network(text);
  if (want4) {
    FUZZ_CHECK(got && std::holds_alternative<base::Ipv4Network>(*got) &&
               std::get<base::Ipv4Network>(*got) == *want4);
  } else if (const auto want6 = reference_v6(text)) {
    FUZZ_CHECK(got && std::holds_alternative<base::Ipv6Network>(*got) &&
               std::get<base::Ipv6Network>(*got) == *want6);
    const auto again = base::parse_ip_network(printed(*want6));
    FUZZ_CHECK(again && *again == *got);
  } else {
    FUZZ_CHECK(!got && got.error() == "invalid address: " + std::string(text));
  }
  return 0;
}
