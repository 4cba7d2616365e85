#include "quamorsc/exchange/connect.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace quamorsc {
namespace {

// "a.b.c.d:port" or "[ipv6]:port": the address and port that a connect to `addr` would use.
std::string text_of(const SocketAddr& addr) {
  char text[INET6_ADDRSTRLEN] = {};
  if (addr.storage.ss_family == AF_INET) {
    const auto* sin = reinterpret_cast<const sockaddr_in*>(&addr.storage);
    ::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(sin->sin_port));
  }
  const auto* sin6 = reinterpret_cast<const sockaddr_in6*>(&addr.storage);
  ::inet_ntop(AF_INET6, &sin6->sin6_addr, text, sizeof text);
  return "[" + std::string(text) + "]:" + std::to_string(ntohs(sin6->sin6_port));
}

TEST(TcpCandidates, LiteralAddressesNeedNoLookup) {
  struct Case {
    const char* connect_str;
    const char* candidate;
  } cases[] = {
      {"10.0.0.1:8000", "10.0.0.1:8000"},
      {"255.255.255.255:8000", "255.255.255.255:8000"},
      {"[::1]:8000", "[::1]:8000"},
      {"[2001:db8::1]:8000", "[2001:db8::1]:8000"},
      {"[::ffff:1.2.3.4]:8000", "[::ffff:1.2.3.4]:8000"},
  };
  for (const Case& c : cases) {
    auto candidates = tcp_candidates(c.connect_str);
    ASSERT_TRUE(candidates) << c.connect_str;
    ASSERT_EQ(candidates->size(), 1u) << c.connect_str;
    EXPECT_EQ(text_of((*candidates)[0]), c.candidate);
  }
}

// Everything else goes to the resolver as the text before the last ':'.
TEST(TcpCandidates, OtherTextsAreLookedUp) {
  auto bare_v6 = tcp_candidates("::1:8000");
  ASSERT_TRUE(bare_v6);
  ASSERT_EQ(bare_v6->size(), 1u);
  EXPECT_EQ(text_of((*bare_v6)[0]), "[::1]:8000");

  auto numeric = tcp_candidates("127.0.0.1:8000");
  ASSERT_TRUE(numeric);

  for (const char* text :
       {"1.2.3.4:99:8000", "[::1]:99:8000", "[nonsense]:8000", "01.2.3.4x:8000"}) {
    auto looked_up = tcp_candidates(text);
    ASSERT_FALSE(looked_up) << text;
    const auto* message = std::get_if<std::string>(&looked_up.error().error);
    ASSERT_NE(message, nullptr) << text;
    EXPECT_TRUE(message->starts_with("failed to lookup address information: ")) << *message;
  }
}

TEST(ConnectError, TextIsTheOsDisplayOrTheMessage) {
  struct Case {
    ConnectError error;
    const char* text;
  } cases[] = {
      {{base::OsError{ECONNREFUSED}}, "Connection refused (os error 111)"},
      // EAI_SYSTEM with errno left at 0 is still an operating-system error.
      {{base::OsError{0}}, "Success (os error 0)"},
      {{std::string("could not resolve to any addresses")}, "could not resolve to any addresses"},
      {{std::string()}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(error_text(c.error), c.text);
  }
}

TEST(StreamSocket, IsCloseOnExec) {
  auto fd = stream_socket(AF_INET);
  ASSERT_TRUE(fd);
  EXPECT_NE(::fcntl(*fd, F_GETFD) & FD_CLOEXEC, 0);
  ::close(*fd);
}

// With every standard descriptor closed, the socket still lands above them and stays
// close-on-exec, and the standard ones stay closed.
TEST(StreamSocket, NeverTakesAStandardDescriptor) {
  EXPECT_EXIT(
      {
        ::close(0);
        ::close(1);
        ::close(2);
        bool ok = true;
        for (int family : {AF_UNIX, AF_INET, AF_INET6}) {
          auto fd = stream_socket(family);
          ok = ok && fd && *fd > 2 && (::fcntl(*fd, F_GETFD) & FD_CLOEXEC) != 0;
        }
        for (int fd = 0; fd <= 2; ++fd) {
          ok = ok && ::fcntl(fd, F_GETFD) < 0;
        }
        std::_Exit(ok ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

extern "C" void on_signal(int) {}

// Interrupts the calling thread's blocking call after `delay`, with a handler that does not
// restart it.
class Interrupter {
 public:
  explicit Interrupter(std::chrono::milliseconds delay) {
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGUSR1, &action, &old_);
    pthread_t target = ::pthread_self();
    thread_ = std::thread([target, delay] {
      std::this_thread::sleep_for(delay);
      ::pthread_kill(target, SIGUSR1);
    });
  }
  ~Interrupter() {
    thread_.join();
    ::sigaction(SIGUSR1, &old_, nullptr);
  }

 private:
  struct sigaction old_ {};
  std::thread thread_;
};

TEST(ConnectTcp, InterruptedConnectTakesTheOutcomeOfTheKernelsAttempt) {
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  socklen_t length = sizeof addr;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length);
  const std::string connect_str = "127.0.0.1:" + std::to_string(ntohs(addr.sin_port));

  // Fill the accept queue so that the next handshake waits for a retransmitted SYN.
  auto first = connect_tcp(connect_str);
  ASSERT_TRUE(first);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  std::thread drain([listener] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::close(::accept(listener, nullptr, nullptr));
  });
  tl::expected<int, ConnectError> second;
  {
    Interrupter interrupt(std::chrono::milliseconds(100));
    second = connect_tcp(connect_str);
  }
  drain.join();
  ASSERT_TRUE(second) << error_text(second.error());
  int error = -1;
  length = sizeof error;
  ::getsockopt(*second, SOL_SOCKET, SO_ERROR, &error, &length);
  EXPECT_EQ(error, 0);
  ::close(*second);
  ::close(*first);
  ::close(listener);
}

TEST(ConnectLocal, InterruptedConnectIsAFailure) {
  char dir[] = "/tmp/quamorsc-connect-XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/s";
  int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, path.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  // The backlog holds one connection; the next connect blocks until interrupted. Whether each
  // of these two is queued or turned away, the backlog is full after them.
  std::vector<int> queued;
  for (int i = 0; i < 2; ++i) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    (void)::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    queued.push_back(fd);
  }
  tl::expected<int, ConnectError> local;
  {
    Interrupter interrupt(std::chrono::milliseconds(100));
    local = connect_local(path);
  }
  ASSERT_FALSE(local);
  EXPECT_EQ(error_text(local.error()), "Interrupted system call (os error 4)");
  for (int fd : queued) {
    ::close(fd);
  }
  ::close(listener);
  ::unlink(path.c_str());
  ::rmdir(dir);
}

TEST(ConnectLocal, MissingSocketFileIsNotFound) {
  auto local = connect_local("/nonexistent-quamorsc-dir/zurozivo.sock");
  ASSERT_FALSE(local);
  EXPECT_EQ(local.error(), ConnectError{base::OsError{ENOENT}});
}

}  // namespace
}  // namespace quamorsc
