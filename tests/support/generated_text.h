// The generated reply text shared by the stand-in daemon and the tests that check it: valid
// UTF-8 of an exact length, mostly ASCII with two-, three- and four-byte characters between. It
// can be produced piece by piece, so that replies of gigabytes are never held whole, and checked
// as a stream by its length and digest.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace e2e {

// Hands the generated text of `size` bytes to `sink` in consecutive pieces.
template <class Sink>
void visit_generated_utf8(std::size_t size, Sink&& sink) {
  static constexpr std::string_view pieces[] = {"{\"prefix\":\"10.",
                                                "1.2.0/24\",",
                                                "\"name\":\"r\xc3\xa9seau\",",
                                                "\"cost\":\xe2\x82\xac",
                                                "12,\"mood\":\"\xf0\x9f\x98\x80\"}",
                                                "\n"};
  // Whole rounds of the pieces go out as blocks of about a mebibyte.
  static const std::string block = [] {
    std::string round;
    for (std::string_view piece : pieces) {
      round += piece;
    }
    std::string text;
    while (text.size() + round.size() <= (std::size_t{1} << 20)) {
      text += round;
    }
    return text;
  }();
  while (size >= block.size()) {
    sink(std::string_view(block));
    size -= block.size();
  }
  for (std::size_t i = 0; size > 0; ++i) {
    std::string_view piece = pieces[i % std::size(pieces)];
    if (piece.size() > size) {
      sink(std::string_view(std::string(size, 'x')));
      break;
    }
    sink(piece);
    size -= piece.size();
  }
}

inline std::string generated_utf8(std::size_t size) {
  std::string text;
  text.reserve(size);
  visit_generated_utf8(size, [&](std::string_view piece) { text += piece; });
  return text;
}

// Length and FNV-1a digest (over 8-byte words, the tail bytewise) of a byte stream fed in pieces
// of any size: equal streams give equal digests however they were cut.
class StreamDigest {
 public:
  void update(std::string_view bytes) {
    count_ += bytes.size();
    if (held_ > 0) {
      std::size_t take = std::min(bytes.size(), sizeof word_ - held_);
      std::memcpy(word_ + held_, bytes.data(), take);
      held_ += take;
      bytes.remove_prefix(take);
      if (held_ < sizeof word_) {
        return;
      }
      mix(word_);
      held_ = 0;
    }
    while (bytes.size() >= sizeof word_) {
      mix(bytes.data());
      bytes.remove_prefix(sizeof word_);
    }
    std::memcpy(word_, bytes.data(), bytes.size());
    held_ = bytes.size();
  }
  std::uint64_t count() const { return count_; }
  std::uint64_t digest() const {
    std::uint64_t h = hash_;
    for (std::size_t i = 0; i < held_; ++i) {
      h = (h ^ static_cast<unsigned char>(word_[i])) * kPrime;
    }
    return h;
  }

 private:
  static constexpr std::uint64_t kPrime = 0x100000001b3ULL;
  void mix(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    hash_ = (hash_ ^ w) * kPrime;
  }
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
  std::uint64_t count_ = 0;
  char word_[8] = {};
  std::size_t held_ = 0;
};

}  // namespace e2e
