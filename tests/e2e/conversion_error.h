// The line a client run ends with when its reply is not UTF-8, written out from the bytes the
// stand-in daemon was told to send.
#pragma once

#include <cstddef>
#include <string>

namespace e2e {

// The conversion error lists every byte of the reply in decimal, however many receives brought
// them; `error_len` is "Some(N)", or "None" for a character cut off at the end.
inline std::string conversion_error(const std::string& bytes, std::size_t valid_up_to,
                                    const std::string& error_len) {
  std::string list;
  for (unsigned char c : bytes) {
    list += (list.empty() ? "" : ", ") + std::to_string(c);
  }
  return "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [" + list +
         "], error: Utf8Error { valid_up_to: " + std::to_string(valid_up_to) +
         ", error_len: " + error_len + " } }\n";
}

}  // namespace e2e
