#include "base/os_error.h"

#include <cerrno>
#include <cstring>

#include "base/debug_text.h"

namespace base {

namespace {

struct Kind {
  std::string_view name;
  std::string_view description;
};

Kind kind_of(int errno_value) {
  switch (errno_value) {
    case EPERM:
    case EACCES:
      return {"PermissionDenied", "permission denied"};
    case ENOENT:
      return {"NotFound", "entity not found"};
    case EINTR:
      return {"Interrupted", "operation interrupted"};
    case EAGAIN:
      return {"WouldBlock", "operation would block"};
    case EEXIST:
      return {"AlreadyExists", "entity already exists"};
    case EINVAL:
      return {"InvalidInput", "invalid input parameter"};
    case EPIPE:
      return {"BrokenPipe", "broken pipe"};
    case EADDRINUSE:
      return {"AddrInUse", "address in use"};
    case EADDRNOTAVAIL:
      return {"AddrNotAvailable", "address not available"};
    case ECONNABORTED:
      return {"ConnectionAborted", "connection aborted"};
    case ECONNRESET:
      return {"ConnectionReset", "connection reset"};
    case ENOTCONN:
      return {"NotConnected", "not connected"};
    case ETIMEDOUT:
      return {"TimedOut", "timed out"};
    case ECONNREFUSED:
      return {"ConnectionRefused", "connection refused"};
    default:
      return {"Other", "other os error"};
  }
}

}  // namespace

std::string os_error_message(int errno_value) {
  char buf[256];
  // The GNU strerror_r returns the text, which may or may not live in `buf`.
  const char* text = ::strerror_r(errno_value, buf, sizeof buf);
  return text;
}

std::string os_error_display(int errno_value) {
  return os_error_message(errno_value) + " (os error " + std::to_string(errno_value) + ")";
}

std::string os_error_debug(int errno_value) {
  std::string out = "Os { code: " + std::to_string(errno_value) + ", kind: ";
  out += kind_of(errno_value).name;
  out += ", message: ";
  debug_str(out, os_error_message(errno_value));
  out += " }";
  return out;
}

std::string_view os_error_kind_description(int errno_value) {
  return kind_of(errno_value).description;
}

}  // namespace base
