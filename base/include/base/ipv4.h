// IPv4 addresses as four bytes in network order, and the one dotted-decimal grammar that every
// IPv4 text of the system is read by: four decimal parts of one to three digits, each at most 255.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace base {

struct Ipv4Addr {
  std::array<std::uint8_t, 4> octets{};

  static constexpr Ipv4Addr from_u32(std::uint32_t v) {
    return {{static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
             static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)}};
  }
  constexpr std::uint32_t to_u32() const {
    return (std::uint32_t{octets[0]} << 24) | (std::uint32_t{octets[1]} << 16) |
           (std::uint32_t{octets[2]} << 8) | std::uint32_t{octets[3]};
  }
  friend constexpr auto operator<=>(const Ipv4Addr&, const Ipv4Addr&) = default;
};

// The whole text must be an address: no blank, sign, fifth part or trailing dot.
std::optional<Ipv4Addr> parse_dotted_decimal(std::string_view text);

// The error of a text that is not an address, for readers that report why; its text is
// "invalid IP address syntax".
struct AddrParseError {
  friend bool operator==(const AddrParseError&, const AddrParseError&) = default;
};
std::string to_string(AddrParseError);

// Appends a.b.c.d without leading zeros.
void append_dotted(std::string& out, Ipv4Addr addr);
std::string to_dotted(Ipv4Addr addr);

inline void debug_fmt(std::string& out, Ipv4Addr addr) {
  append_dotted(out, addr);
}

}  // namespace base
