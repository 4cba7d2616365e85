// Receiving a reply until the peer closes the connection: each receive asks for at most
// 204800 bytes straight into the growing reply, is logged at Trace, and its bytes are checked as
// UTF-8 while they are still in cache. Both exchanges use it with their own texts.
#pragma once

#include <string_view>
#include <variant>

#include <tl/expected.hpp>

#include "base/os_error.h"
#include "base/utf8.h"
#include "quamorsc/exchange/reply.h"

namespace quamorsc {

// The most one receive call asks for.
inline constexpr std::size_t kReceiveSize = std::size_t{200} * 1024;

// Why receiving a reply stopped short: a receive call failed (EINTR included), or the bytes are
// not valid UTF-8.
using ReceiveFailure = std::variant<base::OsError, base::Utf8Error>;

// After every receive call that did not fail, the Trace record `trace_prefix`, N, " bytes".
// On failure the bytes received so far stay in `reply`.
tl::expected<void, ReceiveFailure> receive_reply(int fd, std::string_view trace_prefix,
                                                 Reply& reply);

// Reports a failed receive: `prefix` + "Failed to convert Rx UTF-8 to a string " and the
// conversion error (`exit_status::kBadReply`), or `prefix` + "Stream read failed " and the kind of
// the error number (`exit_status::kIo`).
[[noreturn]] void report_receive_failure(std::string_view prefix, const ReceiveFailure& failure,
                                         const Reply& reply);

// The Trace record "Rx reply " with the debug text of the whole reply.
void log_reply(std::string_view reply);

}  // namespace quamorsc
