// The exchange over the local Unix socket: the operational command goes out as one compact JSON
// text with no framing, and everything the daemon sends until it closes is the reply. Failures
// are reported on standard error and end the process (74 send or receive, 66 not UTF-8).
#pragma once

#include "quamorsc/reply.h"
#include "zurozivo/op_cmd.h"

namespace quamorsc {

Reply tx_stream(int stream, zurozivo::op_cmd::OpCmd op_cmd);
Reply rx_stream(int stream);

}  // namespace quamorsc
