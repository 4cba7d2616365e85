#include "base/utf8_decode.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace base {
namespace {

using namespace std::string_literals;

struct Case {
  std::string bytes;
  Utf8Status status;
  std::uint8_t length;
  char32_t code_point;
};

const char* name(Utf8Status s) {
  switch (s) {
    case Utf8Status::Valid:
      return "valid";
    case Utf8Status::Invalid:
      return "invalid";
    case Utf8Status::Truncated:
      return "truncated";
  }
  return "?";
}

std::string hex(const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
    out += ' ';
  }
  return out;
}

// The lengths of broken sequences are the maximal subparts of Unicode's table of well-formed
// byte sequences (table 3-7).
TEST(Utf8Decode, OneCharacterAtTheStart) {
  const std::vector<Case> cases = {
      {"\x00"s, Utf8Status::Valid, 1, 0},
      {"A tail", Utf8Status::Valid, 1, U'A'},
      {"\x7F", Utf8Status::Valid, 1, 0x7F},
      // Each length at the edges of its range, and around the surrogates.
      {"\xC2\x80", Utf8Status::Valid, 2, 0x80},
      {"\xDF\xBF", Utf8Status::Valid, 2, 0x7FF},
      {"\xE0\xA0\x80", Utf8Status::Valid, 3, 0x800},
      {"\xED\x9F\xBF", Utf8Status::Valid, 3, 0xD7FF},
      {"\xEE\x80\x80", Utf8Status::Valid, 3, 0xE000},
      {"\xEF\xBF\xBF", Utf8Status::Valid, 3, 0xFFFF},
      {"\xF0\x90\x80\x80", Utf8Status::Valid, 4, 0x10000},
      {"\xF4\x8F\xBF\xBF", Utf8Status::Valid, 4, 0x10FFFF},
      {"\xE2\x82\xAC\xE2\x82\xAC", Utf8Status::Valid, 3, 0x20AC},
      // Bytes that start nothing.
      {"\x80", Utf8Status::Invalid, 1, 0},
      {"\xBF\x80", Utf8Status::Invalid, 1, 0},
      {"\xC0\x80", Utf8Status::Invalid, 1, 0},
      {"\xC1\xBF", Utf8Status::Invalid, 1, 0},
      {"\xF5\x80\x80\x80", Utf8Status::Invalid, 1, 0},
      {"\xFF", Utf8Status::Invalid, 1, 0},
      // A second byte out of its lead's range: overlong, surrogate, above U+10FFFF, not a
      // continuation.
      {"\xE0\x9F\xBF", Utf8Status::Invalid, 1, 0},
      {"\xED\xA0\x80", Utf8Status::Invalid, 1, 0},
      {"\xF0\x8F\xBF\xBF", Utf8Status::Invalid, 1, 0},
      {"\xF4\x90\x80\x80", Utf8Status::Invalid, 1, 0},
      {"\xC2\x41", Utf8Status::Invalid, 1, 0},
      {"\xC2\xC2\x80", Utf8Status::Invalid, 1, 0},
      // A later byte that does not continue.
      {"\xE1\x80\x41", Utf8Status::Invalid, 2, 0},
      {"\xF1\x80\xC2\x80", Utf8Status::Invalid, 2, 0},
      {"\xF1\x80\x80\x41", Utf8Status::Invalid, 3, 0},
      // The bytes end inside a character.
      {"\xC2", Utf8Status::Truncated, 1, 0},
      {"\xE0", Utf8Status::Truncated, 1, 0},
      {"\xE1\x80", Utf8Status::Truncated, 2, 0},
      {"\xF4\x8F\xBF", Utf8Status::Truncated, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(hex(c.bytes));
    const Utf8Char got = decode_utf8(c.bytes, 0);
    EXPECT_STREQ(name(got.status), name(c.status));
    EXPECT_EQ(got.length, c.length);
    EXPECT_EQ(got.code_point, c.code_point);
  }
}

// Only the bytes from the position on count, however many come before it.
TEST(Utf8Decode, AtAPositionSeesOnlyWhatFollows) {
  const std::string text = "ab\xC3\xA9\xE2\x82";
  EXPECT_EQ(decode_utf8(text, 2).code_point, 0xE9u);
  const Utf8Char cut = decode_utf8(text, 4);
  EXPECT_EQ(cut.status, Utf8Status::Truncated);
  EXPECT_EQ(cut.length, 2);
  EXPECT_EQ(decode_utf8(text, 3).status, Utf8Status::Invalid);
}

// Every lead and second byte, judged against a decoder that assembles the value first and checks
// its range afterwards.
std::optional<char32_t> by_value(unsigned char lead, unsigned char second) {
  std::size_t length = 0;
  char32_t cp = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1Fu;
    least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0Fu;
    least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07u;
    least = 0x10000;
  } else {
    return std::nullopt;
  }
  if ((second & 0xC0) != 0x80) {
    return std::nullopt;
  }
  cp = (cp << 6) | (second & 0x3Fu);
  for (std::size_t k = 2; k < length; ++k) {
    cp <<= 6;  // the 0x80 bytes that follow carry no bits
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return std::nullopt;
  }
  return cp;
}

TEST(Utf8Decode, EveryLeadAndSecondByteAgreesWithTheRangeRule) {
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned second = 0; second <= 0xFF; ++second) {
      const unsigned char bytes[] = {static_cast<unsigned char>(lead),
                                     static_cast<unsigned char>(second), 0x80, 0x80};
      const Utf8Char got = decode_utf8(bytes, sizeof bytes);
      const std::optional<char32_t> want = by_value(bytes[0], bytes[1]);
      ASSERT_EQ(got.status == Utf8Status::Valid, want.has_value()) << lead << " " << second;
      if (want) {
        ASSERT_EQ(got.code_point, *want) << lead << " " << second;
      } else if (got.status == Utf8Status::Invalid) {
        // With continuation bytes after it, a sequence can only break at its second byte.
        ASSERT_EQ(got.length, 1) << lead << " " << second;
      }
    }
  }
}

}  // namespace
}  // namespace base
