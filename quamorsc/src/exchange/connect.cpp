#include "quamorsc/exchange/connect.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <optional>

#include "base/ipv4.h"
#include "base/os_error.h"

namespace quamorsc {

namespace {

ConnectError os_failure(int errno_value) {
  return ConnectError{base::OsError{errno_value}};
}

std::optional<std::uint16_t> parse_port(std::string_view text) {
  std::uint16_t port = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return port;
}

SocketAddr v4_addr(const base::Ipv4Addr& ip, std::uint16_t port) {
  SocketAddr addr;
  auto* sin = reinterpret_cast<sockaddr_in*>(&addr.storage);
  sin->sin_family = AF_INET;
  sin->sin_port = htons(port);
  std::memcpy(&sin->sin_addr, ip.octets.data(), 4);
  addr.length = sizeof(sockaddr_in);
  return addr;
}

// "a.b.c.d:port" or "[ipv6]:port" as a whole, without any lookup.
std::optional<SocketAddr> literal_addr(std::string_view text) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) {
    return std::nullopt;
  }
  auto port = parse_port(text.substr(colon + 1));
  if (!port) {
    return std::nullopt;
  }
  std::string_view host = text.substr(0, colon);
  if (auto ip = base::parse_dotted_decimal(host)) {
    return v4_addr(*ip, *port);
  }
  if (host.size() < 2 || host.front() != '[' || host.back() != ']') {
    return std::nullopt;
  }
  std::string inner(host.substr(1, host.size() - 2));
  SocketAddr addr;
  auto* sin6 = reinterpret_cast<sockaddr_in6*>(&addr.storage);
  if (::inet_pton(AF_INET6, inner.c_str(), &sin6->sin6_addr) != 1) {
    return std::nullopt;
  }
  sin6->sin6_family = AF_INET6;
  sin6->sin6_port = htons(*port);
  addr.length = sizeof(sockaddr_in6);
  return addr;
}

tl::expected<std::vector<SocketAddr>, ConnectError> lookup(const std::string& host,
                                                           std::uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  int code = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
  if (code == EAI_SYSTEM) {
    return tl::unexpected(os_failure(errno));
  }
  if (code != 0) {
    return tl::unexpected(
        ConnectError{std::string("failed to lookup address information: ") + ::gai_strerror(code)});
  }
  std::vector<SocketAddr> candidates;
  for (addrinfo* ai = result; ai != nullptr; ai = ai->ai_next) {
    if ((ai->ai_family != AF_INET && ai->ai_family != AF_INET6) ||
        ai->ai_addrlen > sizeof(sockaddr_storage)) {
      continue;
    }
    SocketAddr addr;
    std::memcpy(&addr.storage, ai->ai_addr, ai->ai_addrlen);
    addr.length = ai->ai_addrlen;
    if (ai->ai_family == AF_INET) {
      reinterpret_cast<sockaddr_in*>(&addr.storage)->sin_port = htons(port);
    } else {
      reinterpret_cast<sockaddr_in6*>(&addr.storage)->sin6_port = htons(port);
    }
    candidates.push_back(addr);
  }
  ::freeaddrinfo(result);
  return candidates;
}

// Waits for a connection attempt that is under way and returns its outcome.
tl::expected<void, int> attempt_outcome(int fd) {
  pollfd pfd{fd, POLLOUT, 0};
  while (::poll(&pfd, 1, -1) < 0) {
    if (errno != EINTR) {
      return tl::unexpected(errno);
    }
  }
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
    return tl::unexpected(errno);
  }
  if (error != 0) {
    return tl::unexpected(error);
  }
  return {};
}

// A signal may interrupt connect before the kernel has started the attempt or while it is under
// way; only calling connect again on the same socket tells which, and it then starts, joins or
// reports the attempt.
tl::expected<void, int> connect_restarting(int fd, const SocketAddr& addr) {
  while (::connect(fd, reinterpret_cast<const sockaddr*>(&addr.storage), addr.length) != 0) {
    switch (errno) {
      case EINTR:
        break;
      case EISCONN:
        return {};
      case EALREADY:
      case EINPROGRESS:
        return attempt_outcome(fd);
      default:
        return tl::unexpected(errno);
    }
  }
  return {};
}

tl::expected<int, ConnectError> connect_one(const SocketAddr& addr) {
  auto fd = stream_socket(addr.storage.ss_family);
  if (!fd) {
    return fd;
  }
  if (auto connected = connect_restarting(*fd, addr); !connected) {
    ::close(*fd);
    return tl::unexpected(os_failure(connected.error()));
  }
  return fd;
}

// Moves `fd` to the lowest free descriptor from 3 on, keeping it close-on-exec.
tl::expected<int, ConnectError> above_standard_descriptors(int fd) {
  if (fd > 2) {
    return fd;
  }
  int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  int error = errno;
  ::close(fd);
  if (moved < 0) {
    return tl::unexpected(os_failure(error));
  }
  return moved;
}

}  // namespace

std::string error_text(const ConnectError& error) {
  if (const auto* os = std::get_if<base::OsError>(&error.error)) {
    return base::os_error_display(os->code);
  }
  return std::get<std::string>(error.error);
}

tl::expected<int, ConnectError> stream_socket(int family) {
  int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0) {
    return above_standard_descriptors(fd);
  }
  if (errno != EINVAL) {
    return tl::unexpected(os_failure(errno));
  }
  // A kernel that does not know SOCK_CLOEXEC: set the flag afterwards.
  fd = ::socket(family, SOCK_STREAM, 0);
  if (fd < 0) {
    return tl::unexpected(os_failure(errno));
  }
  int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0 || ((flags & FD_CLOEXEC) == 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) < 0)) {
    int error = errno;
    ::close(fd);
    return tl::unexpected(os_failure(error));
  }
  return above_standard_descriptors(fd);
}

tl::expected<int, ConnectError> connect_local(std::string_view path) {
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) {
    return tl::unexpected(os_failure(EINVAL));
  }
  auto fd = stream_socket(AF_UNIX);
  if (!fd) {
    return fd;
  }
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.data(), path.size());
  // The family, the path and its terminating zero byte.
  auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  if (::connect(*fd, reinterpret_cast<const sockaddr*>(&addr), length) != 0) {
    int error = errno;
    ::close(*fd);
    return tl::unexpected(os_failure(error));
  }
  return fd;
}

tl::expected<std::vector<SocketAddr>, ConnectError> tcp_candidates(std::string_view connect_str) {
  if (auto literal = literal_addr(connect_str)) {
    return std::vector<SocketAddr>{*literal};
  }
  std::size_t colon = connect_str.rfind(':');
  auto port =
      colon == std::string_view::npos ? std::nullopt : parse_port(connect_str.substr(colon + 1));
  if (!port) {
    return tl::unexpected(ConnectError{std::string("invalid port value")});
  }
  return lookup(std::string(connect_str.substr(0, colon)), *port);
}

tl::expected<int, ConnectError> connect_tcp(std::string_view connect_str) {
  auto candidates = tcp_candidates(connect_str);
  if (!candidates) {
    return tl::unexpected(candidates.error());
  }
  ConnectError last{std::string("could not resolve to any addresses")};
  for (const SocketAddr& addr : *candidates) {
    auto fd = connect_one(addr);
    if (fd) {
      return fd;
    }
    last = fd.error();
  }
  return tl::unexpected(last);
}

}  // namespace quamorsc
