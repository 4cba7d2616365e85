#include "quamorsc/receive.h"

#include <sys/socket.h>

#include <cerrno>
#include <string>

#include "quamorsc/logging.h"

namespace quamorsc {

tl::expected<void, ReceiveFailure> receive_reply(int fd, std::string_view trace_prefix,
                                                 Reply& reply) {
  const bool trace = logging::enabled(logging::Level::Trace);
  base::Utf8Checker checker;
  while (true) {
    // Room for a whole receive keeps every call asking for the same 204800 bytes.
    reply.reserve(kReceiveSize);
    ssize_t n = ::recv(fd, reply.tail(), kReceiveSize, 0);
    if (n < 0) {
      return tl::unexpected(ReceiveFailure{errno, std::nullopt});
    }
    if (trace) {
      std::string message(trace_prefix);
      message += std::to_string(n);
      message += " bytes";
      logging::log(logging::Level::Trace, message);
    }
    if (n == 0) {
      break;
    }
    reply.commit(static_cast<std::size_t>(n));
    checker.update(reply.bytes());
  }
  if (auto error = checker.finish(reply.bytes())) {
    return tl::unexpected(ReceiveFailure{0, *error});
  }
  return {};
}

}  // namespace quamorsc
