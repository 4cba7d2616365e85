// Making the one connection of a run: the local Unix socket, or TCP to "host:port" (a literal
// address used as it is, else a name looked up and its addresses tried in order), and the text
// of the error when none can be made.
#pragma once

#include <sys/socket.h>

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <tl/expected.hpp>

#include "base/os_error.h"

namespace quamorsc {

// An operating-system error (any number: a resolver failing with EAI_SYSTEM may leave errno at
// 0), or a message of the lookup.
struct ConnectError {
  std::variant<base::OsError, std::string> error;
  friend bool operator==(const ConnectError&, const ConnectError&) = default;
};

// "<C library text> (os error N)", or the message itself.
std::string error_text(const ConnectError& error);

// One address to connect to, as the resolver gives it.
struct SocketAddr {
  sockaddr_storage storage{};
  socklen_t length = 0;
};

// A close-on-exec stream socket of `family`, never on descriptor 0, 1 or 2: with a standard
// descriptor closed, the socket would otherwise stand in for it and receive what is meant for
// standard output or standard error.
tl::expected<int, ConnectError> stream_socket(int family);

// A socket connected to the Unix socket at `path`: one socket, one connect; an interrupted
// connect is a failure like any other. Never ends the process; the caller reports the error.
tl::expected<int, ConnectError> connect_local(std::string_view path);

// The addresses to try for `connect_str`: the literal address itself, or what the resolver
// gives for the text before the last ':'.
tl::expected<std::vector<SocketAddr>, ConnectError> tcp_candidates(std::string_view connect_str);

// A socket connected to the first candidate of `connect_str` that takes the connection; the
// error is that of the last one tried. A connect interrupted by a signal is made again on the
// same socket. Never ends the process; the caller reports the error.
tl::expected<int, ConnectError> connect_tcp(std::string_view connect_str);

}  // namespace quamorsc
