// OSPF identifiers: the area id and the router id, each one IPv4 address in network order, and
// their reading from the text an operator types.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <tl/expected.hpp>

#include "base/ipv4.h"

namespace packet::ospf {

struct AreaId {
  base::Ipv4Addr addr;

  // The number's most significant byte becomes the first byte: 1 is 0.0.0.1.
  static AreaId from(std::uint32_t number) { return AreaId{base::Ipv4Addr::from_u32(number)}; }
  // A text holding a "." is read as dotted decimal, any other as a 32-bit decimal number.
  static tl::expected<AreaId, std::string> from_str(std::string_view text);

  friend bool operator==(const AreaId&, const AreaId&) = default;
};

struct RouterId {
  base::Ipv4Addr addr;

  // Read as an IPv4 address, so it fails as one.
  static tl::expected<RouterId, base::AddrParseError> from_str(std::string_view text);

  friend bool operator==(const RouterId&, const RouterId&) = default;
};

void debug_fmt(std::string& out, const AreaId& id);
void debug_fmt(std::string& out, const RouterId& id);

}  // namespace packet::ospf
