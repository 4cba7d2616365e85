#include "quamorsc/exchange/rest_exchange.h"

#include <string>
#include <utility>

#include "base/debug_text.h"
#include "base/utf8.h"
#include "quamorsc/exchange/receive.h"
#include "quamorsc/exchange/write_all.h"
#include "quamorsc/process/exit_status.h"
#include "quamorsc/process/io.h"
#include "quamorsc/process/logging.h"
#include "zurozivo/endpoints.h"

namespace quamorsc {

using logging::Level;

namespace {

std::string request_line(std::string_view url) {
  std::string get = "GET ";
  get += url;
  get += " HTTP/1.1\r\n";
  return get;
}

}  // namespace

std::string rest_request(std::string_view url, std::string_view host,
                         const base::semver::Version& version) {
  std::string request = request_line(url);
  request += "Host: ";
  request += host;
  request += ':';
  request += zurozivo::kRestPort;
  request += "\r\nUser-Agent: dozuze/";
  request += version.to_string();
  request += "\r\nAccept: */*\r\n\r\n";
  return request;
}

// The version and the command are handed over for good and go with the call.
// NOLINTBEGIN(performance-unnecessary-value-param)
Reply tx_stream_rest(base::semver::Version version, std::string_view host, int stream,
                     zurozivo::op_cmd::OpCmd op_cmd, std::string_view url) {
  // NOLINTEND(performance-unnecessary-value-param)
  if (logging::enabled(Level::Debug)) {
    logging::log(Level::Debug, "Tx REST Op Cmd '" + base::to_debug(op_cmd) + "'");
  }
  const std::string request_get = rest_request(url, host, version);
  if (auto written = write_all(stream, request_get, WriteCall::Send); !written) {
    std::string line = "Failed to Tx REST Op CMD URL: ";
    debug_fmt(line, written.error());
    io::fail(std::move(line), exit_status::kIo);
  }
  if (logging::enabled(Level::Trace)) {
    std::string message = "Tx REST Op Cmd ";
    message += std::to_string(request_line(url).size());
    message += " bytes: URL ";
    message += url;
    logging::log(Level::Trace, message);
  }
  return rx_stream_rest(stream);
}

Reply rx_stream_rest(int stream) {
  Reply reply;
  if (auto received = receive_reply(stream, "Rx REST ", reply); !received) {
    report_receive_failure("Rx REST ", received.error(), reply);
  }
  const std::string_view whole = reply.bytes();
  log_reply(whole);
  if (!whole.starts_with(kRestStatusPrefix)) {
    std::string line = "Rx REST did not Rx Status Code '200 OK' ";
    base::debug_str(line, base::utf8_prefix(whole, kRestStatusPrefix.size()));
    io::fail(std::move(line), exit_status::kBadReply);
  }
  // The body is printed from where it was received.
  reply.drop_front(kRestStatusPrefix.size());
  return reply;
}

}  // namespace quamorsc
