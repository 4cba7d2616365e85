#include "base/debug_text.h"

#include <array>

#include <utf8proc.h>

#include "base/utf8_decode.h"

namespace base {

namespace {

// Bytes copied as they are without a closer look: printable ASCII other than the three quoted
// characters. Trace logs push replies of hundreds of megabytes through here, so this is one table
// lookup per byte.
constexpr std::array<bool, 256> kPlainAscii = [] {
  std::array<bool, 256> plain{};
  for (unsigned c = 0x20; c < 0x7F; ++c) {
    plain[c] = c != '\\' && c != '"' && c != '\'';
  }
  return plain;
}();

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void append_code_escape(std::string& out, char32_t cp) {
  char buf[16];
  std::size_t pos = sizeof buf;
  buf[--pos] = '}';
  do {
    buf[--pos] = "0123456789abcdef"[cp & 0xF];
    cp >>= 4;
  } while (cp != 0);
  buf[--pos] = '{';
  buf[--pos] = 'u';
  buf[--pos] = '\\';
  out.append(buf + pos, sizeof buf - pos);
}

void append_ascii_escape(std::string& out, unsigned char c) {
  switch (c) {
    case '\\':
    case '"':
    case '\'':
      out += '\\';
      out += static_cast<char>(c);
      break;
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    default:  // the other C0 controls and DEL
      append_code_escape(out, c);
  }
}

bool is_emoji_modifier(char32_t cp) {
  return cp >= 0x1F3FB && cp <= 0x1F3FF;
}

// Not printable (controls, format characters, surrogates, private use, unassigned, line and
// paragraph separators, spaces other than the ASCII one), or a character that only extends the one
// before it. Emoji modifiers extend grapheme clusters but are not combining characters, so they
// stay as they are.
bool needs_code_escape(char32_t cp) {
  const auto c = static_cast<utf8proc_int32_t>(cp);
  switch (utf8proc_category(c)) {
    case UTF8PROC_CATEGORY_CC:
    case UTF8PROC_CATEGORY_CF:
    case UTF8PROC_CATEGORY_CS:
    case UTF8PROC_CATEGORY_CO:
    case UTF8PROC_CATEGORY_CN:
    case UTF8PROC_CATEGORY_ZL:
    case UTF8PROC_CATEGORY_ZP:
    case UTF8PROC_CATEGORY_ZS:  // the ASCII space never gets here
      return true;
    default:
      break;
  }
  return utf8proc_get_property(c)->boundclass == UTF8PROC_BOUNDCLASS_EXTEND &&
         !is_emoji_modifier(cp);
}

}  // namespace

void debug_str(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 2);
  out += '"';
  std::size_t run = 0;  // start of the bytes not yet copied
  std::size_t pos = 0;
  const auto flush = [&] { out.append(text.data() + run, pos - run); };
  while (pos < text.size()) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (kPlainAscii[c]) {
      ++pos;
      continue;
    }
    if (c < 0x80) {
      flush();
      append_ascii_escape(out, c);
      run = ++pos;
      continue;
    }
    // A broken sequence becomes one replacement character; decoding resumes after its maximal
    // subpart, at the first byte that could start a character.
    const Utf8Char d = decode_utf8(text, pos);
    const bool valid = d.status == Utf8Status::Valid;
    if (valid && !needs_code_escape(d.code_point)) {
      pos += d.length;
      continue;
    }
    flush();
    if (valid) {
      append_code_escape(out, d.code_point);
    } else {
      out += kReplacement;
    }
    pos += d.length;
    run = pos;
  }
  flush();
  out += '"';
}

}  // namespace base
