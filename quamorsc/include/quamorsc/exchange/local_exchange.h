// The exchange over the local Unix socket: the operational command goes out as one compact JSON
// text with no framing, and everything the daemon sends until it closes is the reply. Failures
// are reported on standard error and end the process (`exit_status::kIo` send or receive,
// `kBadReply` not UTF-8).
#pragma once

#include "quamorsc/exchange/reply.h"
#include "zurozivo/op_cmd.h"

namespace quamorsc {

// Sends `op_cmd` as its compact JSON text on the connected `stream`, then receives the reply
// (rx_stream). A failed send ends the process with `exit_status::kIo`.
Reply tx_stream(int stream, zurozivo::op_cmd::OpCmd op_cmd);

// Receives until the daemon closes `stream`; the reply is every byte received. A failed receive
// ends the process with `exit_status::kIo`, a reply that is not UTF-8 with `kBadReply`.
Reply rx_stream(int stream);

}  // namespace quamorsc
