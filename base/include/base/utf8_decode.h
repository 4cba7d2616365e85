// Decoding of one UTF-8 character by RFC 3629 (no overlong forms, no surrogates, nothing above
// U+10FFFF), for everything that walks UTF-8 byte by byte, such as the reply check and the debug
// text. It is inline because the reply check calls it once per non-ASCII character of replies
// that run to gigabytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace base {

enum class Utf8Status : std::uint8_t {
  Valid,
  Invalid,    // a byte that cannot start or continue the character
  Truncated,  // the bytes end inside a character that was valid so far
};

struct Utf8Char {
  char32_t code_point = 0;  // the scalar value when valid, else 0
  // Valid: the character's length. Otherwise the maximal subpart: the bytes that form a valid
  // beginning of a character (at least 1), so that a decoder that goes on after them replaces
  // each broken sequence once and resumes at the first byte that could start a character.
  std::uint8_t length = 1;
  Utf8Status status = Utf8Status::Invalid;
};

// Decodes the character at `p[0]`, which must not be ASCII; `avail` (at least 1) bytes may be read
// from `p`. For loops that have already stepped over the ASCII bytes.
inline Utf8Char decode_utf8_multibyte(const unsigned char* p, std::size_t avail) {
  // The lead byte fixes the length and the range of the second byte, which is where overlong
  // forms, surrogates and code points above U+10FFFF are refused; later bytes are any
  // continuation byte.
  const unsigned char lead = p[0];
  std::size_t need = 0;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  char32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
    cp = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    cp = lead & 0x0Fu;
    lo = lead == 0xE0 ? 0xA0 : 0x80;
    hi = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    cp = lead & 0x07u;
    lo = lead == 0xF0 ? 0x90 : 0x80;
    hi = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return {};
  }
  if (avail < 2) {
    return {0, 1, Utf8Status::Truncated};
  }
  if (p[1] < lo || p[1] > hi) {
    return {0, 1, Utf8Status::Invalid};
  }
  cp = (cp << 6) | (p[1] & 0x3Fu);
  for (std::size_t k = 2; k <= need; ++k) {
    const auto subpart = static_cast<std::uint8_t>(k);
    if (k >= avail) {
      return {0, subpart, Utf8Status::Truncated};
    }
    if ((p[k] & 0xC0u) != 0x80) {
      return {0, subpart, Utf8Status::Invalid};
    }
    cp = (cp << 6) | (p[k] & 0x3Fu);
  }
  return {cp, static_cast<std::uint8_t>(need + 1), Utf8Status::Valid};
}

// Decodes the character at `p[0]`; `avail` (at least 1) bytes may be read from `p`.
inline Utf8Char decode_utf8(const unsigned char* p, std::size_t avail) {
  if (p[0] < 0x80) {
    return {p[0], 1, Utf8Status::Valid};
  }
  return decode_utf8_multibyte(p, avail);
}

// The character at `text[pos]`; `pos` must be inside `text`.
inline Utf8Char decode_utf8(std::string_view text, std::size_t pos) {
  return decode_utf8(reinterpret_cast<const unsigned char*>(text.data()) + pos, text.size() - pos);
}

}  // namespace base
