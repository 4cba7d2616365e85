// The generated reply text shared by the stand-in daemon and the tests that check it: valid
// UTF-8 of an exact length, mostly ASCII with two-, three- and four-byte characters between.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace e2e {

inline std::string generated_utf8(std::size_t size) {
  static constexpr std::string_view pieces[] = {"{\"prefix\":\"10.",
                                                "1.2.0/24\",",
                                                "\"name\":\"r\xc3\xa9seau\",",
                                                "\"cost\":\xe2\x82\xac",
                                                "12,\"mood\":\"\xf0\x9f\x98\x80\"}",
                                                "\n"};
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; text.size() < size; ++i) {
    std::string_view piece = pieces[i % std::size(pieces)];
    if (piece.size() > size - text.size()) {
      text.append(size - text.size(), 'x');
      break;
    }
    text += piece;
  }
  return text;
}

}  // namespace e2e
