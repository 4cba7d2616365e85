// The exchange over REST: one fixed HTTP/1.1 GET for the command's path, and a reply read until
// the server closes that must begin with exactly "HTTP/1.1 200 OK\r\n\r\n"; what follows is the
// body. Failures are reported on standard error and end the process (`exit_status::kIo` send or
// receive, `kBadReply` not UTF-8 or no status line).
#pragma once

#include <string>
#include <string_view>

#include "base/semver.h"
#include "quamorsc/exchange/reply.h"
#include "zurozivo/op_cmd.h"

namespace quamorsc {

// The only reply the client accepts begins with exactly these bytes.
inline constexpr std::string_view kRestStatusPrefix = "HTTP/1.1 200 OK\r\n\r\n";

// The request line, Host, User-Agent and Accept lines and the empty line.
std::string rest_request(std::string_view url, std::string_view host,
                         const base::semver::Version& version);

// Sends the GET request for `url` to `host` on the connected `stream`, then receives the reply
// (rx_stream_rest). A failed send ends the process with `exit_status::kIo`.
Reply tx_stream_rest(base::semver::Version version, std::string_view host, int stream,
                     zurozivo::op_cmd::OpCmd op_cmd, std::string_view url);

// Receives until the server closes `stream`; the reply's text is the body after the status line.
// A failed receive ends the process with `exit_status::kIo`; a reply that is not UTF-8, or that
// does not begin with `kRestStatusPrefix`, with `kBadReply`.
Reply rx_stream_rest(int stream);

}  // namespace quamorsc
