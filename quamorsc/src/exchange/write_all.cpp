#include "quamorsc/exchange/write_all.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "base/os_error.h"

namespace quamorsc {

namespace {

// A write that returns 0 is not an operating-system error, so the writer names it itself.
constexpr std::string_view kWriteZeroDebug =
    R"(Custom { kind: WriteZero, error: "failed to write whole buffer" })";

}  // namespace

tl::expected<void, WriteError> write_all(int fd, std::string_view bytes, WriteCall call) {
  while (!bytes.empty()) {
    ssize_t n = call == WriteCall::Send ? ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL)
                                        : ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return tl::unexpected(WriteError{base::OsError{errno}});
    }
    if (n == 0) {
      return tl::unexpected(WriteError{WriteZero{}});
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

void debug_fmt(std::string& out, const WriteError& error) {
  if (const auto* os = std::get_if<base::OsError>(&error.error)) {
    out += base::os_error_debug(os->code);
  } else {
    out += kWriteZeroDebug;
  }
}

}  // namespace quamorsc
