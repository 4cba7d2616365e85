// Debug text of a text value, compared byte for byte with the text written here from the escaping
// rule: the three quoted characters and tab, carriage return and line feed by their backslash
// forms, a character that is not printable or that only extends the one before it as \u{hex},
// a broken sequence as U+FFFD, everything else as it stands. Which characters are printable and
// which extend the one before them is looked up in the Unicode Character Database's own files
// (general category, Grapheme_Extend), not in the library the code under test uses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/debug_text.h"
#include "check.h"
#include "reference_utf8.h"

namespace {

constexpr char32_t kCodeSpace = 0x110000;

// A line's first field as a code point, or a range "XXXX..YYYY".
std::pair<char32_t, char32_t> code_range(const std::string& field) {
  const std::size_t dots = field.find("..");
  const auto first = static_cast<char32_t>(std::stoul(field.substr(0, dots), nullptr, 16));
  if (dots == std::string::npos) {
    return {first, first};
  }
  return {first, static_cast<char32_t>(std::stoul(field.substr(dots + 2), nullptr, 16))};
}

std::ifstream open_data(const char* name) {
  std::ifstream in(std::string(QUAMORSC_UNICODE_DATA) + "/" + name);
  if (!in) {
    std::fprintf(stderr, "cannot read %s/%s\n", QUAMORSC_UNICODE_DATA, name);
    std::abort();
  }
  return in;
}

// True for every code point that the rule writes as \u{hex}.
std::vector<bool> build_escaped() {
  // Unassigned code points (Cn) are not listed at all, so everything starts out escaped.
  std::vector<bool> escaped(kCodeSpace, true);
  std::ifstream data = open_data("UnicodeData.txt");
  std::string line;
  char32_t range_start = 0;
  while (std::getline(data, line)) {
    std::vector<std::string> f;
    for (std::size_t start = 0;;) {
      const std::size_t semi = line.find(';', start);
      f.push_back(line.substr(start, semi == std::string::npos ? semi : semi - start));
      if (semi == std::string::npos || f.size() == 3) {
        break;
      }
      start = semi + 1;
    }
    FUZZ_CHECK(f.size() == 3);
    const char32_t cp = code_range(f[0]).first;
    const std::string& category = f[2];
    const bool unprintable = category == "Cc" || category == "Cf" || category == "Cs" ||
                             category == "Co" || category == "Zl" || category == "Zp" ||
                             (category == "Zs" && cp != U' ');
    // Large blocks are listed as their first and last code point only.
    char32_t first = cp;
    if (f[1].ends_with(", First>")) {
      range_start = cp;
      continue;
    }
    if (f[1].ends_with(", Last>")) {
      first = range_start;
    }
    for (char32_t c = first; c <= cp; ++c) {
      escaped[c] = unprintable;
    }
  }
  std::ifstream props = open_data("DerivedCoreProperties.txt");
  std::size_t extenders = 0;
  while (std::getline(props, line)) {
    const std::size_t semi = line.find(';');
    if (line.empty() || line[0] == '#' || semi == std::string::npos) {
      continue;
    }
    std::string name = line.substr(semi + 1, line.find('#') - semi - 1);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (name != "Grapheme_Extend") {
      continue;
    }
    std::string field = line.substr(0, semi);
    field.erase(field.find_last_not_of(' ') + 1);
    const auto [first, last] = code_range(field);
    for (char32_t c = first; c <= last; ++c) {
      escaped[c] = true;
      ++extenders;
    }
  }
  FUZZ_CHECK(extenders > 1000);  // the property was found, not silently missing
  return escaped;
}

bool escaped(char32_t cp) {
  static const std::vector<bool> table = build_escaped();
  return table[cp];
}

std::string expected(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const fuzz::Step st = fuzz::decode_at(text, i);
    i += st.len;
    if (!st.valid) {
      out += "\xEF\xBF\xBD";
      continue;
    }
    switch (st.cp) {
      case U'\\':
        out += "\\\\";
        continue;
      case U'"':
        out += "\\\"";
        continue;
      case U'\'':
        out += "\\'";
        continue;
      case U'\t':
        out += "\\t";
        continue;
      case U'\r':
        out += "\\r";
        continue;
      case U'\n':
        out += "\\n";
        continue;
      default:
        break;
    }
    if (escaped(st.cp)) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(st.cp));
      out += "\\u{";
      out += hex;
      out += '}';
    } else {
      fuzz::append_utf8(out, st.cp);
    }
  }
  return out + "\"";
}

}  // namespace

// Every character once on its own before the fuzzing starts, so that no classification
// difference has to wait for the fuzzer to happen upon its code point.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  for (char32_t cp = 0; cp < kCodeSpace; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      continue;
    }
    std::string text;
    fuzz::append_utf8(text, cp);
    std::string out;
    base::debug_str(out, text);
    if (out != expected(text)) {
      std::fprintf(stderr, "U+%04X: %s, expected %s\n", static_cast<unsigned>(cp), out.c_str(),
                   expected(text).c_str());
      std::abort();
    }
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string out = "x";  // appends after what is already there
  base::debug_str(out, text);
  FUZZ_CHECK(out == "x" + expected(text));
  return 0;
}
