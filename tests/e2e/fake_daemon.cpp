// A stand-in for the routing daemon's two endpoints, for end-to-end tests and the demo: it
// accepts connections on the local Unix socket and on the REST port, records each request's
// exact bytes, and answers with a scripted reply (given bytes, a file, generated UTF-8), sent in
// chunks with pauses, cut short by an early close or a reset.
//
// It prints "ready" on standard output once every endpoint listens.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "generated_text.h"

namespace {

constexpr const char* kLocalPath = "/tmp/zurozivo.sock";
constexpr std::uint16_t kRestPort = 8000;

struct Options {
  bool local = false;
  std::vector<std::string> rest_addrs;
  int connections = 1;
  std::optional<std::string> record;
  std::string reply;
  std::vector<std::size_t> chunks;
  int pause_ms = 0;
  std::optional<int> close_without_reading_ms;
  std::optional<std::size_t> reset_after;
  bool reply_before_request = false;
};

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "fake_daemon: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(2);
}

[[noreturn]] void usage(const std::string& what) {
  std::fprintf(stderr, "fake_daemon: %s\n", what.c_str());
  std::exit(2);
}

// \r \n \t \\ and \xHH, so that replies with any byte fit on a command line.
std::string unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    switch (c) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'x':
        if (i + 2 >= text.size()) {
          usage("bad \\x escape");
        }
        out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
        i += 2;
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    fail("cannot read " + path);
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Options parse(int argc, char** argv) {
  Options options;
  auto value = [&](int& i) -> std::string {
    if (i + 1 >= argc) {
      usage(std::string(argv[i]) + " needs a value");
    }
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--local") {
      options.local = true;
    } else if (arg == "--rest") {
      options.rest_addrs.insert(options.rest_addrs.end(), {"127.0.0.1", "::1"});
    } else if (arg == "--rest-addr") {
      options.rest_addrs.push_back(value(i));
    } else if (arg == "--connections") {
      options.connections = std::stoi(value(i));
    } else if (arg == "--record") {
      options.record = value(i);
    } else if (arg == "--reply") {
      options.reply += unescape(value(i));
    } else if (arg == "--reply-file") {
      options.reply += read_file(value(i));
    } else if (arg == "--reply-utf8") {
      options.reply += e2e::generated_utf8(std::stoul(value(i)));
    } else if (arg == "--chunks") {
      std::stringstream list(value(i));
      for (std::string size; std::getline(list, size, ',');) {
        options.chunks.push_back(std::stoul(size));
      }
    } else if (arg == "--pause-ms") {
      options.pause_ms = std::stoi(value(i));
    } else if (arg == "--close-without-reading-ms") {
      options.close_without_reading_ms = std::stoi(value(i));
    } else if (arg == "--reset-after") {
      options.reset_after = std::stoul(value(i));
    } else if (arg == "--reply-before-request") {
      options.reply_before_request = true;
    } else {
      usage("unknown option " + std::string(arg));
    }
  }
  if (!options.local && options.rest_addrs.empty()) {
    usage("give --local, --rest or --rest-addr");
  }
  return options;
}

int listen_local() {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    fail("socket");
  }
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, kLocalPath);
  ::unlink(kLocalPath);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
    fail(std::string("listen on ") + kLocalPath);
  }
  return fd;
}

int listen_tcp(const std::string& text) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  int family = text.find(':') == std::string::npos ? AF_INET : AF_INET6;
  if (family == AF_INET) {
    auto* sin = reinterpret_cast<sockaddr_in*>(&storage);
    sin->sin_family = AF_INET;
    sin->sin_port = htons(kRestPort);
    if (::inet_pton(AF_INET, text.c_str(), &sin->sin_addr) != 1) {
      usage("bad address " + text);
    }
    length = sizeof *sin;
  } else {
    auto* sin6 = reinterpret_cast<sockaddr_in6*>(&storage);
    sin6->sin6_family = AF_INET6;
    sin6->sin6_port = htons(kRestPort);
    if (::inet_pton(AF_INET6, text.c_str(), &sin6->sin6_addr) != 1) {
      usage("bad address " + text);
    }
    length = sizeof *sin6;
  }
  int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    fail("socket");
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (family == AF_INET6) {
    ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(fd, 16) != 0) {
    fail("listen on " + text);
  }
  return fd;
}

// Where the request ends: the end of the one JSON object on the local socket (braces counted
// outside strings), the empty line after the headers over REST.
std::optional<std::size_t> request_end(std::string_view bytes, bool rest) {
  if (rest) {
    std::size_t end = bytes.find("\r\n\r\n");
    return end == std::string_view::npos ? std::nullopt : std::optional(end + 4);
  }
  int depth = 0;
  bool in_string = false;
  bool escaped = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      return i + 1;
    }
  }
  return std::nullopt;
}

// Reads until the request is complete or the client closes. With `keep_last` the last byte stays
// unread in the socket, so that closing it resets a Unix connection.
std::string read_request(int fd, bool rest, bool keep_last) {
  std::string bytes;
  char buf[65536];
  while (true) {
    ssize_t n = ::recv(fd, buf, sizeof buf, keep_last ? MSG_PEEK : 0);
    if (n <= 0) {
      return bytes;
    }
    if (keep_last) {
      bytes.assign(buf, static_cast<std::size_t>(n));
    } else {
      bytes.append(buf, static_cast<std::size_t>(n));
    }
    if (auto end = request_end(bytes, rest)) {
      if (keep_last) {
        std::size_t consume = *end - 1;
        while (consume > 0) {
          ssize_t got = ::recv(fd, buf, std::min(consume, sizeof buf), 0);
          if (got <= 0) {
            break;
          }
          consume -= static_cast<std::size_t>(got);
        }
      }
      return bytes;
    }
    if (keep_last) {
      // Wait for more than what is already there.
      pollfd pfd{fd, POLLIN, 0};
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      ::poll(&pfd, 1, 100);
      if (static_cast<std::size_t>(n) == sizeof buf) {
        usage("request too large to peek");
      }
    }
  }
}

void record(const Options& options, std::string_view request) {
  if (!options.record) {
    return;
  }
  int fd = ::open(options.record->c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    fail("open " + *options.record);
  }
  while (!request.empty()) {
    ssize_t n = ::write(fd, request.data(), request.size());
    if (n <= 0) {
      fail("write " + *options.record);
    }
    request.remove_prefix(static_cast<std::size_t>(n));
  }
  ::close(fd);
}

void send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) {
      return;  // the client has gone; nothing more to say
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void send_reply(int fd, const Options& options, std::string_view reply) {
  std::size_t chunk_index = 0;
  bool first = true;
  while (!reply.empty()) {
    if (!first && options.pause_ms > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(options.pause_ms));
    }
    first = false;
    std::size_t size =
        chunk_index < options.chunks.size() ? options.chunks[chunk_index++] : reply.size();
    size = std::min(size, reply.size());
    send_all(fd, reply.substr(0, size));
    reply.remove_prefix(size);
  }
}

void serve(int fd, bool rest, const Options& options) {
  if (options.close_without_reading_ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(*options.close_without_reading_ms));
    ::close(fd);
    return;
  }
  std::string_view reply = options.reply;
  if (options.reset_after) {
    reply = reply.substr(0, std::min(*options.reset_after, reply.size()));
  }
  if (options.reply_before_request) {
    // Room for the whole reply, so that it is queued before the request is read.
    int size = static_cast<int>(reply.size()) + (1 << 20);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size);
    send_reply(fd, options, reply);
  }
  bool keep_last = options.reset_after && !rest;
  std::string request = read_request(fd, rest, keep_last);
  record(options, request);
  if (!options.reply_before_request) {
    send_reply(fd, options, reply);
  }
  if (options.reset_after && rest) {
    linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  }
  ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  Options options = parse(argc, argv);
  struct Endpoint {
    int fd;
    bool rest;
  };
  std::vector<Endpoint> endpoints;
  if (options.local) {
    endpoints.push_back({listen_local(), false});
  }
  for (const std::string& addr : options.rest_addrs) {
    endpoints.push_back({listen_tcp(addr), true});
  }
  std::printf("ready\n");
  std::fflush(stdout);

  for (int served = 0; served < options.connections;) {
    std::vector<pollfd> pfds;
    for (const Endpoint& e : endpoints) {
      pfds.push_back({e.fd, POLLIN, 0});
    }
    if (::poll(pfds.data(), pfds.size(), -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      fail("poll");
    }
    for (std::size_t i = 0; i < pfds.size() && served < options.connections; ++i) {
      if ((pfds[i].revents & POLLIN) == 0) {
        continue;
      }
      int fd = ::accept4(endpoints[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        continue;
      }
      serve(fd, endpoints[i].rest, options);
      ++served;
    }
  }
  if (options.local) {
    ::unlink(kLocalPath);
  }
  return 0;
}
