// UTF-8 checking against the plain reference decoder: the whole-buffer check, the chunked checker
// fed in splits chosen by the input, the conversion error's debug text, and the longest leading
// part that ends between characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "check.h"
#include "reference_utf8.h"

namespace {

bool same(const std::optional<base::Utf8Error>& got, const std::optional<fuzz::RefError>& want) {
  if (got.has_value() != want.has_value()) {
    return false;
  }
  return !got || (got->valid_up_to == want->valid_up_to && got->error_len == want->error_len);
}

std::string expected_debug(std::string_view bytes, const fuzz::RefError& e) {
  std::string out = "FromUtf8Error { bytes: [";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) {
      out += ", ";
    }
    out += std::to_string(static_cast<unsigned char>(bytes[i]));
  }
  out += "], error: Utf8Error { valid_up_to: " + std::to_string(e.valid_up_to) + ", error_len: ";
  out += e.error_len ? "Some(" + std::to_string(*e.error_len) + ")" : std::string("None");
  out += " } }";
  return out;
}

// The first byte says into how many chunks the rest is cut and the next bytes how long each is;
// whatever is left after the last cut is the final chunk.
std::vector<std::size_t> chunk_ends(const std::uint8_t* data, std::size_t size,
                                    std::size_t& text_start) {
  std::vector<std::size_t> lens;
  text_start = 0;
  if (size == 0) {
    return lens;
  }
  const std::size_t cuts = data[0] % 8;
  text_start = 1 + std::min(cuts, size - 1);
  for (std::size_t k = 1; k < text_start; ++k) {
    lens.push_back(data[k] % 16);
  }
  return lens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  const auto want = fuzz::first_error(whole);
  const auto got = base::check_utf8(whole);
  FUZZ_CHECK(same(got, want));

  if (want) {
    FUZZ_CHECK(base::from_utf8_error_line({}, whole, *got, {}) == expected_debug(whole, *want));
  } else {
    // The longest leading part of at most `max` bytes that ends between two characters.
    for (std::size_t max : {std::size_t{0}, std::size_t{1}, std::size_t{19}, size / 2, size}) {
      const std::string_view prefix = base::utf8_prefix(whole, max);
      FUZZ_CHECK(prefix.data() == whole.data() && prefix.size() <= max);
      FUZZ_CHECK(fuzz::is_utf8(prefix));
      if (prefix.size() < whole.size()) {
        const std::size_t next = fuzz::decode_at(whole, prefix.size()).len;
        FUZZ_CHECK(prefix.size() + next > max);
      }
    }
  }

  // The same bytes arriving as a growing buffer, in the chunks the input asks for.
  std::size_t text_start = 0;
  const std::vector<std::size_t> lens = chunk_ends(data, size, text_start);
  const std::string_view text = whole.substr(text_start);
  base::Utf8Checker checker;
  std::size_t end = 0;
  for (std::size_t len : lens) {
    end = std::min(text.size(), end + len);
    checker.update(text.substr(0, end));
  }
  checker.update(text);
  FUZZ_CHECK(same(checker.finish(text), fuzz::first_error(text)));
  return 0;
}
