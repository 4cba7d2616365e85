// A deliberately plain UTF-8 decoder for the fuzz targets to judge the fast one against: it walks
// the bytes one at a time by the table of well-formed sequences (Unicode, table 3-7) and knows
// nothing of word-at-a-time tricks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fuzz {

// One step of decoding at a position: a character, or a broken sequence with the number of bytes
// it spans (its maximal prefix that could still have become a character, at least one byte).
struct Step {
  bool valid = false;
  char32_t cp = 0;
  std::size_t len = 1;
  bool cut = false;  // the bytes ran out before the character was complete
};

inline Step decode_at(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = b(i);
  if (lead < 0x80) {
    return {true, lead, 1, false};
  }
  std::size_t n = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
  } else if (lead == 0xE0) {
    n = 3, lo = 0xA0;
  } else if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) {
    n = 3;
  } else if (lead == 0xED) {
    n = 3, hi = 0x9F;
  } else if (lead == 0xF0) {
    n = 4, lo = 0x90;
  } else if (lead >= 0xF1 && lead <= 0xF3) {
    n = 4;
  } else if (lead == 0xF4) {
    n = 4, hi = 0x8F;
  } else {
    return {};
  }
  char32_t cp = lead & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
  for (std::size_t k = 1; k < n; ++k) {
    if (i + k >= s.size()) {
      return {false, 0, k, true};
    }
    const unsigned char c = b(i + k);
    const unsigned char min = k == 1 ? lo : 0x80;
    const unsigned char max = k == 1 ? hi : 0xBF;
    if (c < min || c > max) {
      return {false, 0, k, false};
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  return {true, cp, n, false};
}

struct RefError {
  std::size_t valid_up_to = 0;
  std::optional<std::uint8_t> error_len;  // absent when the bytes end inside a character
};

inline std::optional<RefError> first_error(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const Step st = decode_at(s, i);
    if (!st.valid) {
      if (st.cut) {
        return RefError{i, std::nullopt};
      }
      return RefError{i, static_cast<std::uint8_t>(st.len)};
    }
    i += st.len;
  }
  return std::nullopt;
}

inline bool is_utf8(std::string_view s) {
  return !first_error(s).has_value();
}

inline void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Every broken sequence replaced by one U+FFFD.
inline std::string lossy(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const Step st = decode_at(s, i);
    if (st.valid) {
      append_utf8(out, st.cp);
    } else {
      out += "\xEF\xBF\xBD";
    }
    i += st.len;
  }
  return out;
}

}  // namespace fuzz
