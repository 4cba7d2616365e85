// The exchange over the local Unix socket: the operational command goes out as one compact JSON
// text with no framing, and everything the daemon sends until it closes is the reply. Failures
// are reported on standard error and end the process (74 send or receive, 66 not UTF-8).
#pragma once

#include "quamorsc/exchange/reply.h"
#include "zurozivo/op_cmd.h"

namespace quamorsc {

// Sends `op_cmd` as its compact JSON text on the connected `stream`, then receives the reply
// (rx_stream). A failed send ends the process with status 74.
Reply tx_stream(int stream, zurozivo::op_cmd::OpCmd op_cmd);

// Receives until the daemon closes `stream`; the reply is every byte received. A failed receive
// ends the process with status 74, a reply that is not UTF-8 with status 66.
Reply rx_stream(int stream);

}  // namespace quamorsc
