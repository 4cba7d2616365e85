#include "quamorsc/request/run.h"

#include <unistd.h>

#include <string>
#include <utility>
#include <variant>

#include "base/debug_text.h"
#include "quamorsc/exchange/connect.h"
#include "quamorsc/exchange/local_exchange.h"
#include "quamorsc/exchange/rest_exchange.h"
#include "quamorsc/process/exit_status.h"
#include "quamorsc/process/io.h"
#include "quamorsc/process/logging.h"
#include "quamorsc/request/builders.h"
#include "zurozivo/endpoints.h"

namespace quamorsc {

namespace {

using zurozivo::op_cmd::OpCmd;

const CommonArgs& common_of(const Cmd& cmd) {
  return std::visit([](const auto& sub) -> const CommonArgs& { return sub.args.common; },
                    cmd.value);
}

[[noreturn]] void connect_failed(std::string_view target, const ConnectError& error) {
  std::string line = "Failed to connect to ";
  base::debug_str(line, target);
  line += ": ";
  line += error_text(error);
  io::fail(std::move(line), exit_status::kNoConnection);
}

Reply run_rest(const std::string& host, bool show_url, OpCmd op_cmd,
               base::semver::Version version) {
  const std::string connect_str = host + ":" + std::string(zurozivo::kRestPort);
  const std::string url = op_cmd.gen_url();
  if (show_url) {
    io::print_or_exit("REST API URL would be 'http://" + connect_str + url + "'\n");
    io::exit(exit_status::kSuccess);
  }
  auto stream = connect_tcp(connect_str);
  if (!stream) {
    connect_failed(connect_str, stream.error());
  }
  Reply reply = tx_stream_rest(std::move(version), host, *stream, std::move(op_cmd), url);
  ::close(*stream);
  return reply;
}

Reply run_local(OpCmd op_cmd) {
  auto stream = connect_local(zurozivo::kLocalSocketPath);
  if (!stream) {
    connect_failed(zurozivo::kLocalSocketPath, stream.error());
  }
  Reply reply = tx_stream(*stream, std::move(op_cmd));
  ::close(*stream);
  return reply;
}

}  // namespace

Reply run(const Cmd& cmd, base::semver::Version version) {
  auto built = op_cmd_of(cmd);
  if (!built) {
    std::string line = "CLI Args in conflict ";
    base::debug_str(line, built.error());
    io::fail(std::move(line), exit_status::kOptionRule);
  }
  OpCmd op_cmd = std::move(*built);
  if (logging::enabled(logging::Level::Trace)) {
    logging::log(logging::Level::Trace, "OpCmd from Cmd " + base::to_debug(op_cmd));
  }
  const CommonArgs& common = common_of(cmd);
  if (common.host) {
    return run_rest(*common.host, common.show_url, std::move(op_cmd), std::move(version));
  }
  return run_local(std::move(op_cmd));
}

}  // namespace quamorsc
