#include "base/debug_text.h"

namespace base {

// Placeholder until the Unicode-aware escaping lands: ASCII rules only.
void debug_str(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '\\':
      case '"':
      case '\'':
        out += '\\';
        out += c;
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  out += '"';
}

}  // namespace base
