// Debug text of a text value: whatever the bytes, the result is one line of valid UTF-8 between
// two double quotes, and undoing its escapes gives back the text (broken sequences as U+FFFD).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/debug_text.h"
#include "check.h"
#include "reference_utf8.h"

namespace {

// Undoes the escapes between the quotes; absent when the text is not in the escaped form (a raw
// quote or an unknown escape inside it).
std::optional<std::string> unescape(std::string_view inner) {
  std::string out;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    const char c = inner[i];
    if (c == '"' || c == '\'') {
      return std::nullopt;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == inner.size()) {
      return std::nullopt;
    }
    switch (inner[i]) {
      case '\\':
      case '"':
      case '\'':
        out += inner[i];
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 'u': {
        if (i + 1 >= inner.size() || inner[i + 1] != '{') {
          return std::nullopt;
        }
        const std::size_t close = inner.find('}', i + 2);
        if (close == std::string_view::npos || close == i + 2 || close - (i + 2) > 6) {
          return std::nullopt;
        }
        char32_t cp = 0;
        for (std::size_t k = i + 2; k < close; ++k) {
          const char h = inner[k];
          if (h >= '0' && h <= '9') {
            cp = cp * 16 + static_cast<char32_t>(h - '0');
          } else if (h >= 'a' && h <= 'f') {
            cp = cp * 16 + static_cast<char32_t>(h - 'a' + 10);
          } else {
            return std::nullopt;  // lower-case hexadecimal only
          }
        }
        // No leading zeros, and never an escape for what stands for itself.
        if ((close - (i + 2) > 1 && inner[i + 2] == '0') || cp > 0x10FFFF ||
            (cp >= 0x20 && cp < 0x7F)) {
          return std::nullopt;
        }
        fuzz::append_utf8(out, cp);
        i = close;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

// Characters that would break the line, or the terminal, when written raw.
bool breaks_the_line(char32_t cp) {
  return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || cp == 0x2028 || cp == 0x2029;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string out = "x";  // appends after what is already there
  base::debug_str(out, text);
  FUZZ_CHECK(out.size() >= 3 && out[0] == 'x' && out[1] == '"' && out.back() == '"');
  const std::string_view quoted = std::string_view(out).substr(1);
  FUZZ_CHECK(fuzz::is_utf8(quoted));
  for (std::size_t i = 0; i < quoted.size();) {
    const fuzz::Step st = fuzz::decode_at(quoted, i);
    FUZZ_CHECK(!breaks_the_line(st.cp));
    i += st.len;
  }
  const auto back = unescape(quoted.substr(1, quoted.size() - 2));
  FUZZ_CHECK(back.has_value());
  FUZZ_CHECK(*back == fuzz::lossy(text));
  return 0;
}
