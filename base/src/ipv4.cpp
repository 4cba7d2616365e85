#include "base/ipv4.h"

namespace base {

std::optional<Ipv4Addr> parse_dotted_decimal(std::string_view text) {
  Ipv4Addr addr;
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') {
        return std::nullopt;
      }
      ++pos;
    }
    unsigned value = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (++digits > 3) {
        return std::nullopt;
      }
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
    }
    if (digits == 0 || value > 255) {
      return std::nullopt;
    }
    addr.octets[static_cast<std::size_t>(part)] = static_cast<std::uint8_t>(value);
  }
  if (pos != text.size()) {
    return std::nullopt;
  }
  return addr;
}

std::string to_string(AddrParseError) {
  return "invalid IP address syntax";
}

void append_dotted(std::string& out, Ipv4Addr addr) {
  for (std::size_t i = 0; i < addr.octets.size(); ++i) {
    if (i > 0) {
      out += '.';
    }
    out += std::to_string(addr.octets[i]);
  }
}

std::string to_dotted(Ipv4Addr addr) {
  std::string out;
  append_dotted(out, addr);
  return out;
}

}  // namespace base
