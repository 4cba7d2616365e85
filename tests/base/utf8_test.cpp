#include "base/utf8.h"

#include "utf8_vector.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace base {
namespace {

using namespace std::string_literals;

struct Case {
  std::string bytes;
  std::optional<Utf8Error> error;
};

Utf8Error invalid(std::size_t at, std::uint8_t len) {
  return {at, len};
}
Utf8Error cut(std::size_t at) {
  return {at, std::nullopt};
}

std::string show(const std::optional<Utf8Error>& e) {
  if (!e) {
    return "valid";
  }
  return "valid_up_to " + std::to_string(e->valid_up_to) + " error_len " +
         (e->error_len ? std::to_string(*e->error_len) : "None");
}

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      // Valid texts, each length of character at the edges of its range.
      {"", std::nullopt},
      {"plain ascii \x7f\x01"s, std::nullopt},
      {"\0\0"s, std::nullopt},
      {"\xc2\x80", std::nullopt},          // U+0080
      {"\xdf\xbf", std::nullopt},          // U+07FF
      {"\xe0\xa0\x80", std::nullopt},      // U+0800
      {"\xed\x9f\xbf", std::nullopt},      // U+D7FF
      {"\xee\x80\x80", std::nullopt},      // U+E000
      {"\xef\xbf\xbf", std::nullopt},      // U+FFFF
      {"\xf0\x90\x80\x80", std::nullopt},  // U+10000
      {"\xf4\x8f\xbf\xbf", std::nullopt},  // U+10FFFF
      {"a\xc3\xa9z\xe2\x82\xac\xf0\x9f\x98\x80!", std::nullopt},
      // Bytes that never start a character.
      {"\x80", invalid(0, 1)},
      {"\xbf", invalid(0, 1)},
      {"ab\xff", invalid(2, 1)},
      {"\xfe", invalid(0, 1)},
      {"\xf5\x80\x80\x80", invalid(0, 1)},
      {"\xf8\x88\x80\x80\x80", invalid(0, 1)},
      // Overlong forms.
      {"\xc0\x80", invalid(0, 1)},
      {"\xc1\xbf", invalid(0, 1)},
      {"\xe0\x80\x80", invalid(0, 1)},
      {"\xe0\x9f\xbf", invalid(0, 1)},
      {"\xf0\x80\x80\x80", invalid(0, 1)},
      {"\xf0\x8f\xbf\xbf", invalid(0, 1)},
      // Surrogates.
      {"\xed\xa0\x80", invalid(0, 1)},
      {"\xed\xbf\xbf", invalid(0, 1)},
      {"x\xed\xa0\x80\xed\xb0\x80", invalid(1, 1)},
      // Above U+10FFFF.
      {"\xf4\x90\x80\x80", invalid(0, 1)},
      {"\xf7\xbf\xbf\xbf", invalid(0, 1)},
      // A sequence broken after a valid prefix: the prefix is the error length.
      {"\xc3(", invalid(0, 1)},
      {"\xe2\x82(", invalid(0, 2)},
      {"\xf0\x9f\x98(", invalid(0, 3)},
      {"\xf0\x9f(\x80", invalid(0, 2)},
      {"\xe2\x82\xc3\xa9", invalid(0, 2)},
      {"\xf4\x8f\xbf\xc0", invalid(0, 3)},
      // Invalid in the middle: the error comes first, whatever follows.
      {"hello \xff world", invalid(6, 1)},
      {"\xc3\xa9\xc3\xa9\x80\xc3", invalid(4, 1)},
      {std::string(100, 'a') + "\xe2\x82" + std::string(40, 'b'), invalid(100, 2)},
      {std::string(37, 'a') + "\xc3\xa9" + std::string(29, 'a') + "\xa9", invalid(68, 1)},
      // Cut at the end of the text.
      {"\xc3", cut(0)},
      {"ab\xe2", cut(2)},
      {"ab\xe2\x82", cut(2)},
      {"\xf0", cut(0)},
      {"\xf0\x9f", cut(0)},
      {"\xf0\x9f\x98", cut(0)},
      {"\xf4\x8f\xbf", cut(0)},
      {std::string(64, 'a') + "\xf0\x9f\x98", cut(64)},
      // A cut prefix that is already invalid is not a cut.
      {"\xe0\x80", invalid(0, 1)},
      {"\xed\xa0", invalid(0, 1)},
      {"\xf0\x80", invalid(0, 1)},
      {"\xf4\x90", invalid(0, 1)},
  };
  return all;
}

TEST(CheckUtf8, FindsTheFirstInvalidSequence) {
  for (const auto& c : cases()) {
    EXPECT_EQ(show(check_utf8(c.bytes)), show(c.error)) << testing::PrintToString(c.bytes);
  }
}

TEST(CheckUtf8, FastPathFindsNonAsciiAtEveryOffset) {
  // Each position inside and around the word-sized blocks of the ASCII scan.
  for (std::size_t len = 1; len < 80; ++len) {
    for (std::size_t at = 0; at < len; ++at) {
      std::string text(len, 'a');
      text[at] = '\xff';
      EXPECT_EQ(show(check_utf8(text)), show(invalid(at, 1))) << len << " " << at;
      text[at] = '\xc3';
      auto expected = at + 1 < len ? invalid(at, 1) : cut(at);
      EXPECT_EQ(show(check_utf8(text)), show(expected)) << len << " " << at;
    }
  }
}

// Feeds `bytes` as a growing buffer, updating at every prefix length whose bit is set in
// `cuts` (bit k stands for the length k + 1).
std::optional<Utf8Error> check_in_chunks(const std::string& bytes, std::uint64_t cuts) {
  Utf8Checker checker;
  for (std::size_t len = 1; len <= bytes.size(); ++len) {
    if ((cuts >> (len - 1)) & 1) {
      checker.update(std::string_view(bytes).substr(0, len));
    }
  }
  return checker.finish(bytes);
}

TEST(Utf8Checker, EverySplitGivesTheWholeVerdict) {
  for (const auto& c : cases()) {
    const std::string want = show(check_utf8(c.bytes));
    const std::size_t n = c.bytes.size();
    if (n <= 16) {
      // Every way of cutting the buffer, finished with or without a last update.
      for (std::uint64_t cuts = 0; cuts < (std::uint64_t{1} << n); ++cuts) {
        ASSERT_EQ(show(check_in_chunks(c.bytes, cuts)), want)
            << testing::PrintToString(c.bytes) << " cuts " << cuts;
      }
    } else {
      for (std::size_t a = 0; a <= n; ++a) {
        for (std::size_t b = a; b <= n; ++b) {
          Utf8Checker checker;
          checker.update(std::string_view(c.bytes).substr(0, a));
          checker.update(std::string_view(c.bytes).substr(0, b));
          ASSERT_EQ(show(checker.finish(c.bytes)), want)
              << testing::PrintToString(c.bytes) << " cuts " << a << " " << b;
        }
      }
    }
  }
}

TEST(Utf8Checker, ByteByByteKeepsTheFirstError) {
  std::string bytes = "ok\xc3\xa9\xff\xe2\x82";
  Utf8Checker checker;
  for (std::size_t len = 0; len <= bytes.size(); ++len) {
    checker.update(std::string_view(bytes).substr(0, len));
  }
  EXPECT_EQ(show(checker.finish(bytes)), show(invalid(4, 1)));
}

// An independent statement of the rule: a sequence starting at a lead byte is acceptable so far
// when some completion of it encodes a scalar value in the shortest form. The smallest and
// largest completions bound the code points it can still reach.
std::size_t sequence_length(unsigned char lead) {
  if (lead < 0x80) {
    return 1;
  }
  if ((lead & 0xE0) == 0xC0) {
    return 2;
  }
  if ((lead & 0xF0) == 0xE0) {
    return 3;
  }
  if ((lead & 0xF8) == 0xF0) {
    return 4;
  }
  return 0;
}

bool reachable(const unsigned char* s, std::size_t k, std::size_t len) {
  for (std::size_t i = 1; i < k; ++i) {
    if ((s[i] & 0xC0) != 0x80) {
      return false;
    }
  }
  static constexpr std::uint32_t kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  std::uint32_t lo = s[0] & kLeadMask[len];
  std::uint32_t hi = lo;
  for (std::size_t i = 1; i < len; ++i) {
    std::uint32_t bits = i < k ? (s[i] & 0x3Fu) : 0;
    lo = (lo << 6) | bits;
    hi = (hi << 6) | (i < k ? bits : 0x3Fu);
  }
  lo = std::max(lo, kMin[len]);
  hi = std::min(hi, std::uint32_t{0x10FFFF});
  if (lo > hi) {
    return false;
  }
  return !(lo >= 0xD800 && hi <= 0xDFFF);
}

std::optional<Utf8Error> reference_check(const std::string& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t len = sequence_length(p[i]);
    if (len == 0) {
      return invalid(i, 1);
    }
    std::size_t avail = std::min(len, bytes.size() - i);
    std::size_t good = 1;
    while (good < avail && reachable(p + i, good + 1, len)) {
      ++good;
    }
    if (!reachable(p + i, 1, len)) {
      return invalid(i, 1);
    }
    if (good < avail) {
      return invalid(i, static_cast<std::uint8_t>(good));
    }
    if (avail < len) {
      return cut(i);
    }
    i += len;
  }
  return std::nullopt;
}

TEST(CheckUtf8, AgreesWithAnIndependentDecoderOnRandomBytes) {
  // Bytes drawn near the edges of the ranges that matter, and plenty of ASCII.
  const std::vector<unsigned char> pool = {
      'a',  'b',  0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
      0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF8, 0xFE, 0xFF};
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 12);
  for (int round = 0; round < 200000; ++round) {
    std::string bytes;
    for (std::size_t n = length(rng); n > 0; --n) {
      bytes += static_cast<char>(pool[pick(rng)]);
    }
    ASSERT_EQ(show(check_utf8(bytes)), show(reference_check(bytes)))
        << testing::PrintToString(bytes);
  }
}

std::optional<Utf8Error> check_with(utf8_vector::Kernel kernel, const std::string& bytes) {
  return utf8_vector::check_from(bytes, utf8_vector::known_valid_prefix(kernel, bytes));
}

// Valid text of every character length with one or two bytes replaced, long enough to cross the
// vector blocks at every offset: the faults land on both sides of a block edge, inside a
// character, and in the bytes the vector pass leaves to the byte-wise decoder. The same texts
// every time, so that each kernel sees what check_utf8 saw.
std::vector<std::string> texts_across_blocks() {
  const std::vector<std::string> chars = {"a",
                                          "\x7f",
                                          "\xc2\x80",
                                          "\xdf\xbf",
                                          "\xe0\xa0\x80",
                                          "\xed\x9f\xbf",
                                          "\xee\x80\x80",
                                          "\xef\xbf\xbf",
                                          "\xf0\x90\x80\x80",
                                          "\xf4\x8f\xbf\xbf",
                                          "\xf3\xbf\xbf\xbf"};
  const std::vector<unsigned char> pool = {'a',  0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                           0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  std::mt19937 rng(11);
  std::uniform_int_distribution<std::size_t> pick_char(0, chars.size() - 1);
  std::uniform_int_distribution<std::size_t> pick_byte(0, pool.size() - 1);
  std::uniform_int_distribution<int> ascii_run(0, 3);
  std::uniform_int_distribution<std::size_t> length(0, 400);
  std::uniform_int_distribution<int> faults(0, 2);
  std::vector<std::string> texts;
  for (int round = 0; round < 100000; ++round) {
    std::string bytes;
    const std::size_t target = length(rng);
    while (bytes.size() < target) {
      // Long ASCII stretches too, so that whole blocks take the ASCII path.
      bytes += ascii_run(rng) == 0 ? std::string(40, 'x') : chars[pick_char(rng)];
    }
    for (int k = faults(rng); k > 0 && !bytes.empty(); --k) {
      std::uniform_int_distribution<std::size_t> at(0, bytes.size() - 1);
      bytes[at(rng)] = static_cast<char>(pool[pick_byte(rng)]);
    }
    if (round % 3 == 0 && !bytes.empty()) {
      bytes.pop_back();  // may leave the last character unfinished
    }
    texts.push_back(std::move(bytes));
  }
  return texts;
}

TEST(CheckUtf8, AgreesWithAnIndependentDecoderAcrossVectorBlocks) {
  for (const std::string& bytes : texts_across_blocks()) {
    ASSERT_EQ(show(check_utf8(bytes)), show(reference_check(bytes)))
        << testing::PrintToString(bytes);
  }
}

// Each kernel on its own, finished by the byte-wise check as check_utf8 does it with the widest
// one. A processor without the kernel reports its tests as skipped.
class VectorKernel : public testing::TestWithParam<utf8_vector::Kernel> {
 protected:
  void SetUp() override {
    if (!utf8_vector::available(GetParam())) {
      GTEST_SKIP() << "this processor lacks the kernel's instructions";
    }
  }
};

TEST_P(VectorKernel, AgreesWithAnIndependentDecoderAcrossBlocks) {
  const auto kernel = GetParam();
  for (const std::string& bytes : texts_across_blocks()) {
    const std::string want = show(reference_check(bytes));
    ASSERT_EQ(show(check_with(kernel, bytes)), want) << testing::PrintToString(bytes);
    // A kernel that stopped early would still be right, only slow: on valid text it must reach
    // the last whole block (128 bytes at most, and a character cut by its end).
    if (want == "valid") {
      ASSERT_GE(utf8_vector::known_valid_prefix(kernel, bytes) + 128 + 3, bytes.size())
          << testing::PrintToString(bytes);
    }
  }
}

TEST_P(VectorKernel, UnfinishedCharacterBeforeAsciiAtEveryOffset) {
  // Cut before its last byte and followed by whole blocks of ASCII, which the vector pass takes
  // without looking at their bytes one by one.
  const auto kernel = GetParam();
  for (const std::string& ch : {"\xc3\xa9"s, "\xe2\x82\xac"s, "\xf0\x9f\x98\x80"s}) {
    for (std::size_t keep = 1; keep < ch.size(); ++keep) {
      for (std::size_t at = 0; at < 270; ++at) {
        const std::string text = std::string(at, 'a') + ch.substr(0, keep) + std::string(270, 'a');
        EXPECT_EQ(show(check_with(kernel, text)),
                  show(invalid(at, static_cast<std::uint8_t>(keep))))
            << ch.size() << " " << keep << " " << at;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, VectorKernel,
                         testing::Values(utf8_vector::Kernel::Avx2, utf8_vector::Kernel::Avx512),
                         [](const auto& info) {
                           return info.param == utf8_vector::Kernel::Avx2 ? "Avx2" : "Avx512";
                         });

// The debug text alone, as a line with neither head nor tail.
std::string from_utf8_error_debug(std::string_view bytes, const Utf8Error& error) {
  return from_utf8_error_line({}, bytes, error, {});
}

TEST(FromUtf8ErrorDebug, ListsEveryByteInDecimal) {
  EXPECT_EQ(from_utf8_error_debug("\x01\x02\xff", invalid(2, 1)),
            "FromUtf8Error { bytes: [1, 2, 255], error: Utf8Error { valid_up_to: 2, error_len: "
            "Some(1) } }");
  EXPECT_EQ(from_utf8_error_debug("a\xe2\x82", cut(1)),
            "FromUtf8Error { bytes: [97, 226, 130], error: Utf8Error { valid_up_to: 1, "
            "error_len: None } }");
  EXPECT_EQ(from_utf8_error_debug("\0"s, invalid(0, 3)),
            "FromUtf8Error { bytes: [0], error: Utf8Error { valid_up_to: 0, error_len: Some(3) "
            "} }");
  EXPECT_EQ(from_utf8_error_debug("", cut(0)),
            "FromUtf8Error { bytes: [], error: Utf8Error { valid_up_to: 0, error_len: None } }");
}

TEST(FromUtf8ErrorDebug, EveryByteValue) {
  std::string bytes;
  std::string listing;
  for (int v = 0; v < 256; ++v) {
    bytes += static_cast<char>(v);
    listing += (v ? ", " : "") + std::to_string(v);
  }
  EXPECT_EQ(from_utf8_error_debug(bytes, invalid(128, 1)),
            "FromUtf8Error { bytes: [" + listing +
                "], error: Utf8Error { valid_up_to: 128, error_len: Some(1) } }");
}

TEST(FromUtf8ErrorLine, IsTheDebugTextBetweenHeadAndTail) {
  std::string every_byte;
  for (int v = 255; v >= 0; --v) {
    every_byte += static_cast<char>(v);
  }
  struct LineCase {
    std::string head;
    std::string bytes;
    Utf8Error error;
    std::string tail;
  } cases[] = {
      {"Failed to convert Rx UTF-8 to a string ", "ok\xff", invalid(2, 1), "\n"},
      {"", "", cut(0), ""},
      {"h", "\x01", invalid(0, 1), ""},
      {"", every_byte, invalid(0, 1), "\n"},
  };
  for (const LineCase& c : cases) {
    EXPECT_EQ(from_utf8_error_line(c.head, c.bytes, c.error, c.tail),
              c.head + from_utf8_error_debug(c.bytes, c.error) + c.tail);
  }
}

TEST(Utf8Prefix, EndsBetweenCharacters) {
  const std::string text = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z";  // a é € 😀 z
  struct PrefixCase {
    std::size_t max;
    std::size_t len;
  };
  for (auto c : {PrefixCase{0, 0}, PrefixCase{1, 1}, PrefixCase{2, 1}, PrefixCase{3, 3},
                 PrefixCase{4, 3}, PrefixCase{5, 3}, PrefixCase{6, 6}, PrefixCase{7, 6},
                 PrefixCase{9, 6}, PrefixCase{10, 10}, PrefixCase{11, 11}, PrefixCase{1000, 11}}) {
    EXPECT_EQ(utf8_prefix(text, c.max), text.substr(0, c.len)) << c.max;
  }
  EXPECT_EQ(utf8_prefix("", 5), "");
}

}  // namespace
}  // namespace base
