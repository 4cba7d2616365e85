#include "quamorsc/cli/value_checks.h"

namespace quamorsc {

namespace {

template <class T>
tl::expected<void, std::string> discard(const tl::expected<T, std::string>& parsed) {
  if (!parsed) {
    return tl::unexpected(parsed.error());
  }
  return {};
}

}  // namespace

tl::expected<base::Ipv4Addr, std::string> parse_ipv4_addr(std::string_view text) {
  if (auto addr = base::parse_dotted_decimal(text)) {
    return *addr;
  }
  return tl::unexpected(base::to_string(base::AddrParseError{}));
}

tl::expected<packet::ospf::RouterId, std::string> parse_router_id(std::string_view text) {
  return packet::ospf::RouterId::from_str(text).map_error(
      [](base::AddrParseError e) { return base::to_string(e); });
}

tl::expected<packet::ospf::AreaId, std::string> parse_area_id(std::string_view text) {
  return packet::ospf::AreaId::from_str(text);
}

tl::expected<void, std::string> check_text(std::string_view) {
  return {};
}

tl::expected<void, std::string> check_ipv4_addr(std::string_view text) {
  return discard(parse_ipv4_addr(text));
}

tl::expected<void, std::string> check_router_id(std::string_view text) {
  return discard(parse_router_id(text));
}

tl::expected<void, std::string> check_area_id(std::string_view text) {
  return discard(parse_area_id(text));
}

tl::expected<void, std::string> check_ipv4_network(std::string_view text) {
  return discard(base::parse_ipv4_network(text));
}

tl::expected<void, std::string> check_ip_network(std::string_view text) {
  return discard(base::parse_ip_network(text));
}

}  // namespace quamorsc
