#include "base/debug_text.h"

#include <array>

#include <utf8proc.h>

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

struct Decoded {
  char32_t cp = 0;
  std::size_t len = 1;
  bool valid = false;
};

bool in(unsigned char c, unsigned char lo, unsigned char hi) {
  return c >= lo && c <= hi;
}

// Decodes the multi-byte sequence at `text[pos]`. An invalid sequence is reported with the length
// of its maximal valid prefix (at least 1), so that each broken sequence becomes one replacement
// character and decoding resumes at the first byte that could start a character.
Decoded decode(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const std::size_t avail = text.size() - pos;
  const unsigned char lead = byte(0);
  std::size_t need = 0;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  char32_t cp = 0;
  if (in(lead, 0xC2, 0xDF)) {
    need = 1;
    cp = lead & 0x1F;
  } else if (in(lead, 0xE0, 0xEF)) {
    need = 2;
    cp = lead & 0x0F;
    lo = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
    hi = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
  } else if (in(lead, 0xF0, 0xF4)) {
    need = 3;
    cp = lead & 0x07;
    lo = lead == 0xF0 ? 0x90 : 0x80;  // no overlong forms
    hi = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
  } else {
    return {};
  }
  for (std::size_t i = 1; i <= need; ++i) {
    if (i >= avail || !in(byte(i), lo, hi)) {
      return {0, i, false};
    }
    cp = (cp << 6) | (byte(i) & 0x3F);
    lo = 0x80;
    hi = 0xBF;
  }
  return {cp, need + 1, true};
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
    const Decoded d = decode(text, pos);
    if (d.valid && !needs_code_escape(d.cp)) {
      pos += d.len;
      continue;
    }
    flush();
    if (d.valid) {
      append_code_escape(out, d.cp);
    } else {
      out += kReplacement;
    }
    pos += d.len;
    run = pos;
  }
  flush();
  out += '"';
}

}  // namespace base
