// UTF-8 validation (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF) with the
// position and length of the first invalid sequence, checkable chunk by chunk as bytes arrive,
// and the debug text of the conversion error that lists every byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace base {

struct Utf8Error {
  std::size_t valid_up_to = 0;            // bytes before the first invalid sequence
  std::optional<std::uint8_t> error_len;  // its length; absent when the bytes end mid-character
  friend bool operator==(const Utf8Error&, const Utf8Error&) = default;
};

// Checks the whole of `bytes`; the error positions are those of a maximal-subpart decoder.
std::optional<Utf8Error> check_utf8(std::string_view bytes);

// Checks a buffer that grows at its end, one chunk at a time, with the same verdict and position
// as one `check_utf8` of the whole: a character cut by a chunk end is finished by the next chunk.
class Utf8Checker {
 public:
  // `bytes` is the whole buffer so far; only what was not yet checked is looked at.
  void update(std::string_view bytes);
  // The verdict once the buffer is complete.
  std::optional<Utf8Error> finish(std::string_view bytes) const;

 private:
  std::size_t checked_ = 0;  // start of the first byte not yet known to be valid
  std::optional<Utf8Error> error_;
};

// `head`, then the debug text of the failed conversion of `bytes`,
//   FromUtf8Error { bytes: [b, b, ...], error: Utf8Error { valid_up_to: V, error_len: Some(N) } }
// then `tail`, made at its exact length in a single allocation: the listing runs to several times
// the size of `bytes`, which may be gigabytes.
std::string from_utf8_error_line(std::string_view head, std::string_view bytes,
                                 const Utf8Error& error, std::string_view tail);

// The longest leading part of valid UTF-8 `text` that is at most `max` bytes and ends between
// two characters.
std::string_view utf8_prefix(std::string_view text, std::size_t max);

}  // namespace base
