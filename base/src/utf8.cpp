#include "base/utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "base/debug_text.h"
#include "base/utf8_decode.h"
#include "utf8_vector.h"

namespace base {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

std::uint64_t load64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Index of the first byte with its high bit set within a word that has one.
std::size_t first_high_byte(std::uint64_t high, const unsigned char* p) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(high)) / 8;
  } else {
    std::size_t i = 0;
    while (p[i] < 0x80) {
      ++i;
    }
    return i;
  }
}

// Skips ASCII from `i`; returns the index of the first non-ASCII byte, or `n`.
std::size_t skip_ascii(const unsigned char* p, std::size_t i, std::size_t n) {
  // Replies are mostly ASCII: test 32 bytes per round while nothing else turns up.
  while (i + 32 <= n) {
    std::uint64_t a = load64(p + i);
    std::uint64_t b = load64(p + i + 8);
    std::uint64_t c = load64(p + i + 16);
    std::uint64_t d = load64(p + i + 24);
    if (((a | b | c | d) & kHighBits) != 0) {
      break;
    }
    i += 32;
  }
  while (i + 8 <= n) {
    std::uint64_t high = load64(p + i) & kHighBits;
    if (high != 0) {
      return i + first_high_byte(high, p + i);
    }
    i += 8;
  }
  while (i < n && p[i] < 0x80) {
    ++i;
  }
  return i;
}

Utf8Error error_at(std::size_t pos, std::uint8_t len) {
  return {pos, len};
}

Utf8Error cut_at(std::size_t pos) {
  return {pos, std::nullopt};
}

}  // namespace

std::optional<Utf8Error> check_utf8(std::string_view bytes) {
  // The vector pass only says how far the bytes are surely valid; the first invalid sequence, its
  // position and length, always come from the byte-wise decoder.
  return utf8_vector::check_from(bytes, utf8_vector::known_valid_prefix(bytes));
}

namespace utf8_vector {

std::optional<Utf8Error> check_from(std::string_view bytes, std::size_t start) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = start;
  for (;;) {
    i = skip_ascii(p, i, n);
    if (i >= n) {
      return std::nullopt;
    }
    const Utf8Char c = decode_utf8_multibyte(p + i, n - i);
    if (c.status == Utf8Status::Truncated) {
      return cut_at(i);
    }
    if (c.status == Utf8Status::Invalid) {
      return error_at(i, c.length);
    }
    i += c.length;
  }
}

}  // namespace utf8_vector

void Utf8Checker::update(std::string_view bytes) {
  if (error_ || checked_ >= bytes.size()) {
    return;
  }
  auto err = check_utf8(bytes.substr(checked_));
  if (!err) {
    checked_ = bytes.size();
    return;
  }
  err->valid_up_to += checked_;
  if (err->error_len) {
    // Nothing that arrives later can change a sequence already found invalid.
    error_ = err;
    return;
  }
  // A character cut by the end of this chunk: look at it again with the next one.
  checked_ = err->valid_up_to;
}

std::optional<Utf8Error> Utf8Checker::finish(std::string_view bytes) const {
  if (error_) {
    return error_;
  }
  if (checked_ >= bytes.size()) {
    return std::nullopt;
  }
  auto err = check_utf8(bytes.substr(checked_));
  if (err) {
    err->valid_up_to += checked_;
  }
  return err;
}

namespace {

// The decimal text of every byte value, so that a listing of a huge buffer costs one table
// look-up and one small copy per byte.
struct ByteTexts {
  std::array<std::array<char, 4>, 256> text{};
  std::array<std::uint8_t, 256> len{};
  ByteTexts() {
    for (unsigned v = 0; v < 256; ++v) {
      std::string s = std::to_string(v);
      std::memcpy(text[v].data(), s.data(), s.size());
      len[v] = static_cast<std::uint8_t>(s.size());
    }
  }
};

const ByteTexts& byte_texts() {
  static const ByteTexts texts;
  return texts;
}

}  // namespace

std::string from_utf8_error_line(std::string_view head, std::string_view bytes,
                                 const Utf8Error& error, std::string_view tail) {
  static constexpr std::string_view kOpen = "FromUtf8Error { bytes: [";
  std::string close = "], error: ";
  DebugRecord(close, "Utf8Error")
      .field("valid_up_to", error.valid_up_to)
      .field("error_len", error.error_len)
      .finish();
  close += " }";
  close += tail;

  const ByteTexts& texts = byte_texts();
  std::size_t listing = bytes.empty() ? 0 : 2 * (bytes.size() - 1);
  for (char c : bytes) {
    listing += texts.len[static_cast<unsigned char>(c)];
  }
  std::string out(head.size() + kOpen.size() + listing + close.size(), '\0');
  char* w = out.data();
  w = std::copy(head.begin(), head.end(), w);
  w = std::copy(kOpen.begin(), kOpen.end(), w);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) {
      *w++ = ',';
      *w++ = ' ';
    }
    const auto b = static_cast<unsigned char>(bytes[i]);
    // Always copies four bytes, which `close` (longer than that) still has room for after the
    // last byte; the length says how many of them count.
    std::memcpy(w, texts.text[b].data(), 4);
    w += texts.len[b];
  }
  std::copy(close.begin(), close.end(), w);
  return out;
}

std::string_view utf8_prefix(std::string_view text, std::size_t max) {
  if (text.size() <= max) {
    return text;
  }
  std::size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
    --end;
  }
  return text.substr(0, end);
}

}  // namespace base
