#include "quamorsc/exchange/receive.h"

#include <sys/socket.h>

#include <cerrno>
#include <string>
#include <utility>

#include "base/debug_text.h"
#include "base/os_error.h"
#include "quamorsc/process/exit_status.h"
#include "quamorsc/process/io.h"
#include "quamorsc/process/logging.h"

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
      return tl::unexpected(ReceiveFailure{base::OsError{errno}});
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
    return tl::unexpected(ReceiveFailure{*error});
  }
  return {};
}

void report_receive_failure(std::string_view prefix, const ReceiveFailure& failure,
                            const Reply& reply) {
  std::string line(prefix);
  if (const auto* utf8 = std::get_if<base::Utf8Error>(&failure)) {
    line += "Failed to convert Rx UTF-8 to a string ";
    // The line lists every byte of the reply: it is made whole in one piece and written as it is.
    io::write_stderr(base::from_utf8_error_line(line, reply.bytes(), *utf8, "\n"));
    io::exit(exit_status::kBadReply);
  }
  line += "Stream read failed ";
  base::debug_str(line, base::os_error_kind_description(std::get<base::OsError>(failure).code));
  io::fail(std::move(line), exit_status::kIo);
}

void log_reply(std::string_view reply) {
  if (logging::enabled(logging::Level::Trace)) {
    std::string message = "Rx reply ";
    base::debug_str(message, reply);
    logging::log(logging::Level::Trace, message);
  }
}

}  // namespace quamorsc
