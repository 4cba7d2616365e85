#include "base/ip_network.h"

#include <optional>
#include <vector>

#include "base/debug_text.h"
#include "base/decimal.h"

namespace base {
namespace {

struct CidrParts {
  std::string_view addr;
  std::optional<std::string_view> prefix;
};

// At most one '/' separates the address from the length.
std::optional<CidrParts> split_cidr(std::string_view text) {
  auto slash = text.find('/');
  if (slash == std::string_view::npos) {
    return CidrParts{text, std::nullopt};
  }
  std::string_view rest = text.substr(slash + 1);
  if (rest.find('/') != std::string_view::npos) {
    return std::nullopt;
  }
  return CidrParts{text.substr(0, slash), rest};
}

// A prefix length: a decimal number that fits a byte and does not exceed `max` (at most 128).
std::optional<std::uint8_t> parse_prefix_len(std::string_view text, unsigned max) {
  if (auto value = parse_decimal(text, max)) {
    return static_cast<std::uint8_t>(*value);
  }
  return std::nullopt;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') {
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

// One to four hex digits.
std::optional<std::uint16_t> parse_group(std::string_view text) {
  if (text.empty() || text.size() > 4) {
    return std::nullopt;
  }
  unsigned value = 0;
  for (char c : text) {
    int d = hex_digit(c);
    if (d < 0) {
      return std::nullopt;
    }
    value = value * 16 + static_cast<unsigned>(d);
  }
  return static_cast<std::uint16_t>(value);
}

// Groups joined by single ':'; the empty text is no group at all.
bool parse_group_list(std::string_view text, std::vector<std::uint16_t>& out) {
  if (text.empty()) {
    return true;
  }
  for (;;) {
    auto colon = text.find(':');
    auto group = parse_group(text.substr(0, colon));
    if (!group) {
      return false;
    }
    out.push_back(*group);
    if (colon == std::string_view::npos) {
      return true;
    }
    text.remove_prefix(colon + 1);
  }
}

// Exactly `slots` groups, of which one run of one or more zero groups may be written "::".
bool parse_hex_groups(std::string_view text, std::size_t slots, std::uint16_t* groups) {
  std::vector<std::uint16_t> head;
  std::vector<std::uint16_t> tail;
  auto gap = text.find("::");
  if (gap == std::string_view::npos) {
    if (!parse_group_list(text, head) || head.size() != slots) {
      return false;
    }
  } else {
    // A second "::" or a ":::" leaves an empty group in the tail, which fails there.
    if (!parse_group_list(text.substr(0, gap), head) ||
        !parse_group_list(text.substr(gap + 2), tail) || head.size() + tail.size() >= slots) {
      return false;
    }
  }
  for (std::size_t i = 0; i < slots; ++i) {
    groups[i] = 0;
  }
  for (std::size_t i = 0; i < head.size(); ++i) {
    groups[i] = head[i];
  }
  for (std::size_t i = 0; i < tail.size(); ++i) {
    groups[slots - tail.size() + i] = tail[i];
  }
  return true;
}

std::optional<Ipv6Addr> parse_ipv6_addr(std::string_view text) {
  std::uint16_t groups[8];
  std::size_t hex_slots = 8;
  std::optional<Ipv4Addr> embedded;
  if (text.find('.') != std::string_view::npos) {
    // A dot can only belong to a dotted-decimal tail standing for the last two groups.
    auto colon = text.rfind(':');
    if (colon == std::string_view::npos) {
      return std::nullopt;
    }
    embedded = parse_dotted_decimal(text.substr(colon + 1));
    if (!embedded) {
      return std::nullopt;
    }
    // Keep a "::" right before the dotted part; drop a single separating ':'.
    bool gap_before = colon > 0 && text[colon - 1] == ':';
    text = text.substr(0, gap_before ? colon + 1 : colon);
    if (!gap_before && text.empty()) {
      return std::nullopt;
    }
    hex_slots = 6;
  }
  if (!parse_hex_groups(text, hex_slots, groups)) {
    return std::nullopt;
  }
  if (embedded) {
    groups[6] = static_cast<std::uint16_t>((embedded->octets[0] << 8) | embedded->octets[1]);
    groups[7] = static_cast<std::uint16_t>((embedded->octets[2] << 8) | embedded->octets[3]);
  }
  Ipv6Addr addr;
  for (std::size_t i = 0; i < 8; ++i) {
    addr.octets[2 * i] = static_cast<std::uint8_t>(groups[i] >> 8);
    addr.octets[2 * i + 1] = static_cast<std::uint8_t>(groups[i]);
  }
  return addr;
}

std::optional<Ipv6Network> parse_ipv6_network(std::string_view text) {
  auto parts = split_cidr(text);
  if (!parts) {
    return std::nullopt;
  }
  auto addr = parse_ipv6_addr(parts->addr);
  if (!addr) {
    return std::nullopt;
  }
  std::uint8_t prefix = 128;
  if (parts->prefix) {
    auto len = parse_prefix_len(*parts->prefix, 128);
    if (!len) {
      return std::nullopt;
    }
    prefix = *len;
  }
  return Ipv6Network{*addr, prefix};
}

void append_hex_group(std::string& out, std::uint16_t group) {
  static constexpr char kDigits[] = "0123456789abcdef";
  bool started = false;
  for (int shift = 12; shift >= 0; shift -= 4) {
    unsigned d = (group >> shift) & 0xfu;
    if (d != 0 || started || shift == 0) {
      out += kDigits[d];
      started = true;
    }
  }
}

// Debug text of an IPv6 address is its plain text form.
struct Ipv6Text {
  const Ipv6Addr& addr;
};

void debug_fmt(std::string& out, const Ipv6Text& text) {
  append_ipv6(out, text.addr);
}

}  // namespace

Ipv4Network Ipv4Network::network() const {
  std::uint32_t mask = prefix == 0    ? 0
                       : prefix >= 32 ? ~std::uint32_t{0}
                                      : ~std::uint32_t{0} << (32 - prefix);
  return {Ipv4Addr::from_u32(addr.to_u32() & mask), prefix};
}

tl::expected<Ipv4Network, std::string> parse_ipv4_network(std::string_view text) {
  auto parts = split_cidr(text);
  if (!parts) {
    return tl::make_unexpected("invalid cidr format: CIDR must contain a single '/': " +
                               std::string(text));
  }
  auto addr = parse_dotted_decimal(parts->addr);
  if (!addr) {
    return tl::make_unexpected("invalid address: " + std::string(parts->addr));
  }
  std::uint8_t prefix = 32;
  if (parts->prefix) {
    auto len = parse_prefix_len(*parts->prefix, 32);
    if (!len) {
      return tl::make_unexpected(std::string("invalid prefix"));
    }
    prefix = *len;
  }
  return Ipv4Network{*addr, prefix};
}

tl::expected<IpNetwork, std::string> parse_ip_network(std::string_view text) {
  if (auto v4 = parse_ipv4_network(text)) {
    return IpNetwork{*v4};
  }
  if (auto v6 = parse_ipv6_network(text)) {
    return IpNetwork{*v6};
  }
  return tl::make_unexpected("invalid address: " + std::string(text));
}

std::string to_string(const Ipv4Network& net) {
  std::string out;
  append_dotted(out, net.addr);
  out += '/';
  out += std::to_string(net.prefix);
  return out;
}

void append_ipv6(std::string& out, const Ipv6Addr& addr) {
  std::uint16_t groups[8];
  for (std::size_t i = 0; i < 8; ++i) {
    groups[i] = static_cast<std::uint16_t>((addr.octets[2 * i] << 8) | addr.octets[2 * i + 1]);
  }
  bool first_five_zero = true;
  for (std::size_t i = 0; i < 5; ++i) {
    first_five_zero = first_five_zero && groups[i] == 0;
  }
  const Ipv4Addr last32{{addr.octets[12], addr.octets[13], addr.octets[14], addr.octets[15]}};
  if (first_five_zero && groups[5] == 0) {
    std::uint32_t low = last32.to_u32();
    if (low == 0) {
      out += "::";
    } else if (low == 1) {
      out += "::1";
    } else {
      out += "::";
      append_dotted(out, last32);
    }
    return;
  }
  if (first_five_zero && groups[5] == 0xffff) {
    out += "::ffff:";
    append_dotted(out, last32);
    return;
  }
  // The first longest run of two or more zero groups.
  std::size_t best_start = 8;
  std::size_t best_len = 1;
  for (std::size_t i = 0; i < 8;) {
    if (groups[i] != 0) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < 8 && groups[j] == 0) {
      ++j;
    }
    if (j - i > best_len) {
      best_start = i;
      best_len = j - i;
    }
    i = j;
  }
  for (std::size_t i = 0; i < 8; ++i) {
    if (i == best_start) {
      out += "::";
      i += best_len - 1;
      continue;
    }
    if (i > 0 && i != best_start + best_len) {
      out += ':';
    }
    append_hex_group(out, groups[i]);
  }
}

void debug_fmt(std::string& out, const Ipv4Network& net) {
  DebugRecord(out, "Ipv4Network").field("addr", net.addr).field("prefix", net.prefix).finish();
}

void debug_fmt(std::string& out, const Ipv6Network& net) {
  DebugRecord(out, "Ipv6Network")
      .field("addr", Ipv6Text{net.addr})
      .field("prefix", net.prefix)
      .finish();
}

void debug_fmt(std::string& out, const IpNetwork& net) {
  if (const auto* v4 = std::get_if<Ipv4Network>(&net)) {
    DebugTuple(out, "V4").value(*v4).finish();
  } else {
    DebugTuple(out, "V6").value(std::get<Ipv6Network>(net)).finish();
  }
}

}  // namespace base
