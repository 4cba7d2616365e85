#include "packet/ospf.h"

#include "base/decimal.h"

namespace packet::ospf {

namespace {

std::optional<std::uint32_t> parse_u32(std::string_view text) {
  if (auto value = base::parse_decimal(text, 0xFFFF'FFFFu)) {
    return static_cast<std::uint32_t>(*value);
  }
  return std::nullopt;
}

}  // namespace

tl::expected<AreaId, std::string> AreaId::from_str(std::string_view text) {
  if (text.find('.') != std::string_view::npos) {
    if (auto addr = base::parse_dotted_decimal(text)) {
      return AreaId{*addr};
    }
    return tl::unexpected(std::string(text) + " is not a valid dotted decimal format");
  }
  if (auto number = parse_u32(text)) {
    return AreaId::from(*number);
  }
  return tl::unexpected(std::string(text) + " is not a valid u32 integer");
}

tl::expected<RouterId, base::AddrParseError> RouterId::from_str(std::string_view text) {
  if (auto addr = base::parse_dotted_decimal(text)) {
    return RouterId{*addr};
  }
  return tl::unexpected(base::AddrParseError{});
}

void debug_fmt(std::string& out, const AreaId& id) {
  out += "AreaId(";
  base::append_dotted(out, id.addr);
  out += ')';
}

void debug_fmt(std::string& out, const RouterId& id) {
  out += "RouterId(";
  base::append_dotted(out, id.addr);
  out += ')';
}

}  // namespace packet::ospf
