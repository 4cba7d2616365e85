#include "quamorsc/exchange/local_exchange.h"

#include <string>
#include <utility>

#include "base/debug_text.h"
#include "base/utf8.h"
#include "quamorsc/exchange/receive.h"
#include "quamorsc/exchange/write_all.h"
#include "quamorsc/process/exit_status.h"
#include "quamorsc/process/io.h"
#include "quamorsc/process/logging.h"

namespace quamorsc {

using logging::Level;

// The command is handed over for good: it lives until the reply is in, then goes with the call.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
Reply tx_stream(int stream, zurozivo::op_cmd::OpCmd op_cmd) {
  if (logging::enabled(Level::Debug)) {
    logging::log(Level::Debug, "Tx Op Cmd '" + base::to_debug(op_cmd) + "'");
  }
  const std::string op_cmd_json_str = zurozivo::op_cmd::to_json_text(op_cmd);
  if (auto written = write_all(stream, op_cmd_json_str, WriteCall::Write); !written) {
    std::string line = "Failed to Tx op_cmd JSON string ";
    base::debug_str(line, op_cmd_json_str);
    line += ": ";
    debug_fmt(line, written.error());
    io::fail(std::move(line), exit_status::kIo);
  }
  if (logging::enabled(Level::Trace)) {
    logging::log(Level::Trace, "Op Cmd Tx " + std::to_string(op_cmd_json_str.size()) + " bytes");
  }
  return rx_stream(stream);
}

Reply rx_stream(int stream) {
  Reply reply;
  if (auto received = receive_reply(stream, "Op Cmd Rx ", reply); !received) {
    report_receive_failure("", received.error(), reply);
  }
  log_reply(reply.text());
  return reply;
}

}  // namespace quamorsc
