// IP network prefixes: an address with a prefix length, IPv4 ("a.b.c.d/n") and IPv6
// ("a:b::c/n"), their text parsers with the error texts operators see, and their debug text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include <tl/expected.hpp>

#include "base/ipv4.h"

namespace base {

struct Ipv4Network {
  Ipv4Addr addr;
  std::uint8_t prefix = 32;  // 0 to 32

  // The network address: every address bit after the first `prefix` cleared.
  Ipv4Network network() const;
  friend bool operator==(const Ipv4Network&, const Ipv4Network&) = default;
};

struct Ipv6Addr {
  std::array<std::uint8_t, 16> octets{};
  friend bool operator==(const Ipv6Addr&, const Ipv6Addr&) = default;
};

struct Ipv6Network {
  Ipv6Addr addr;
  std::uint8_t prefix = 128;  // 0 to 128
  friend bool operator==(const Ipv6Network&, const Ipv6Network&) = default;
};

// Either kind of network; the debug text names the alternatives V4 and V6.
using IpNetwork = std::variant<Ipv4Network, Ipv6Network>;

// "a.b.c.d" or "a.b.c.d/n"; a missing length is 32. Errors: "invalid address: <addr>",
// "invalid prefix", "invalid cidr format: CIDR must contain a single '/': <text>".
tl::expected<Ipv4Network, std::string> parse_ipv4_network(std::string_view text);
// An IPv4 network, else an IPv6 one; a missing IPv6 length is 128. Error: "invalid address:
// <text>".
tl::expected<IpNetwork, std::string> parse_ip_network(std::string_view text);

// "a.b.c.d/n", the address as stored.
std::string to_string(const Ipv4Network& net);
// Lower-case groups, the first longest run of two or more zero groups as "::", and the embedded
// dotted forms "::a.b.c.d" and "::ffff:a.b.c.d".
void append_ipv6(std::string& out, const Ipv6Addr& addr);

void debug_fmt(std::string& out, const Ipv4Network& net);  // Ipv4Network { addr: .., prefix: .. }
void debug_fmt(std::string& out, const Ipv6Network& net);  // Ipv6Network { addr: .., prefix: .. }
void debug_fmt(std::string& out, const IpNetwork& net);    // V4(...) or V6(...)

}  // namespace base
