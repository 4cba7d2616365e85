// Texts of an operating-system error number: the display form "<C library text> (os error N)",
// the debug form "Os { code: N, kind: K, message: \"...\" }" and the short description of its
// kind.
#pragma once

#include <string>
#include <string_view>

namespace base {

// An operating-system error number; every number is one, 0 included.
struct OsError {
  int code = 0;
  friend bool operator==(const OsError&, const OsError&) = default;
};

// The C library's text for `errno_value`, as strerror_r gives it.
std::string os_error_message(int errno_value);
// "<message> (os error N)".
std::string os_error_display(int errno_value);
// "Os { code: N, kind: K, message: "<message>" }".
std::string os_error_debug(int errno_value);
// The short description of the number's kind ("broken pipe", ..., "other os error"), the kind
// that the debug form names.
std::string_view os_error_kind_description(int errno_value);

}  // namespace base
