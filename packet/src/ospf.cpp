#include "packet/ospf.h"

namespace packet::ospf {

std::string to_string(AddrParseError) {
  return "invalid IP address syntax";
}

namespace {

std::optional<std::uint32_t> parse_u32(std::string_view text) {
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
    if (value > 0xFFFF'FFFFu) {
      return std::nullopt;
    }
  }
  return static_cast<std::uint32_t>(value);
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

tl::expected<RouterId, AddrParseError> RouterId::from_str(std::string_view text) {
  if (auto addr = base::parse_dotted_decimal(text)) {
    return RouterId{*addr};
  }
  return tl::unexpected(AddrParseError{});
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
