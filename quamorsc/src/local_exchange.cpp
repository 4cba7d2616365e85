#include "quamorsc/local_exchange.h"

#include <string>

#include "base/debug_text.h"
#include "base/os_error.h"
#include "base/utf8.h"
#include "quamorsc/io.h"
#include "quamorsc/logging.h"
#include "quamorsc/receive.h"
#include "quamorsc/write_all.h"

namespace quamorsc {

using logging::Level;

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
    line += '\n';
    io::write_stderr(line);
    io::exit(74);
  }
  if (logging::enabled(Level::Trace)) {
    logging::log(Level::Trace, "Op Cmd Tx " + std::to_string(op_cmd_json_str.size()) + " bytes");
  }
  return rx_stream(stream);
}

Reply rx_stream(int stream) {
  Reply reply;
  if (auto received = receive_reply(stream, "Op Cmd Rx ", reply); !received) {
    const ReceiveFailure& failure = received.error();
    std::string line;
    if (failure.utf8) {
      line = "Failed to convert Rx UTF-8 to a string ";
      line += base::from_utf8_error_debug(reply.bytes(), *failure.utf8);
      line += '\n';
      io::write_stderr(line);
      io::exit(66);
    }
    line = "Stream read failed ";
    base::debug_str(line, base::os_error_kind_description(failure.recv_errno));
    line += '\n';
    io::write_stderr(line);
    io::exit(74);
  }
  if (logging::enabled(Level::Trace)) {
    std::string message = "Rx reply ";
    base::debug_str(message, reply.text());
    logging::log(Level::Trace, message);
  }
  return reply;
}

}  // namespace quamorsc
