// The checks that every option value passes before the command line is accepted, and the parses
// they stand for: a value that passes its check always reads into its record field.
#pragma once

#include <string>
#include <string_view>

#include <tl/expected.hpp>

#include "base/ip_network.h"
#include "base/ipv4.h"
#include "packet/ospf.h"

namespace quamorsc {

// Errors: "invalid IP address syntax".
tl::expected<base::Ipv4Addr, std::string> parse_ipv4_addr(std::string_view text);
tl::expected<packet::ospf::RouterId, std::string> parse_router_id(std::string_view text);
// Errors: "<text> is not a valid dotted decimal format", "<text> is not a valid u32 integer".
tl::expected<packet::ospf::AreaId, std::string> parse_area_id(std::string_view text);

// Every text passes, the empty text included.
tl::expected<void, std::string> check_text(std::string_view text);
tl::expected<void, std::string> check_ipv4_addr(std::string_view text);
tl::expected<void, std::string> check_router_id(std::string_view text);
tl::expected<void, std::string> check_area_id(std::string_view text);
// The errors of base::parse_ipv4_network and base::parse_ip_network.
tl::expected<void, std::string> check_ipv4_network(std::string_view text);
tl::expected<void, std::string> check_ip_network(std::string_view text);

}  // namespace quamorsc
