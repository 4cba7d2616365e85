// Whether the real binary colours a command-line error report, decided from where its standard
// error goes and from TERM; help and version text never are. Standard output and standard error
// are each a pseudo-terminal in raw mode, so the bytes arrive exactly as written. A command line
// ends before any daemon is asked, so the client runs directly, without the harness's namespaces.

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "quamorsc/process/version.h"

namespace {

void close_fd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

// One way for a stream of the client to reach the test: the client writes to `write_end`, the
// test reads `read_end`. Owns both.
struct Channel {
  int read_end = -1;
  int write_end = -1;

  Channel() = default;
  Channel(Channel&& other) noexcept
      : read_end(std::exchange(other.read_end, -1)),
        write_end(std::exchange(other.write_end, -1)) {}
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;
  Channel& operator=(Channel&&) = delete;
  ~Channel() {
    close_fd(read_end);
    close_fd(write_end);
  }
};

// A pseudo-terminal whose slave end writes bytes unchanged (no "\n" to "\r\n").
std::optional<Channel> terminal() {
  Channel c;
  c.read_end = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (c.read_end < 0) {
    return std::nullopt;
  }
  const char* slave = nullptr;
  if (::grantpt(c.read_end) == 0 && ::unlockpt(c.read_end) == 0) {
    slave = ::ptsname(c.read_end);
  }
  if (slave != nullptr) {
    c.write_end = ::open(slave, O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  termios mode{};
  if (c.write_end < 0 || ::tcgetattr(c.write_end, &mode) != 0) {
    return std::nullopt;
  }
  ::cfmakeraw(&mode);
  ::tcsetattr(c.write_end, TCSANOW, &mode);
  return c;
}

std::optional<Channel> pipe_channel() {
  std::array<int, 2> fds{};
  if (::pipe2(fds.data(), O_CLOEXEC) != 0) {
    return std::nullopt;
  }
  Channel c;
  c.read_end = fds[0];
  c.write_end = fds[1];
  return c;
}

// Reads both channels until every writer has gone: a pipe then gives end of file, a terminal's
// master end EIO. Both are read together so that neither can fill up while the other is awaited.
std::array<std::string, 2> read_both(std::array<int, 2> fds) {
  std::array<std::string, 2> texts;
  std::array<pollfd, 2> polled{pollfd{fds[0], POLLIN, 0}, pollfd{fds[1], POLLIN, 0}};
  while (polled[0].fd >= 0 || polled[1].fd >= 0) {
    const int ready = ::poll(polled.data(), polled.size(), 30'000);
    if (ready < 0 && errno == EINTR) {
      continue;
    }
    if (ready <= 0) {
      break;  // a client that neither writes nor ends: what arrived so far is compared
    }
    for (std::size_t i = 0; i < polled.size(); ++i) {
      if (polled[i].fd < 0 || polled[i].revents == 0) {
        continue;
      }
      std::array<char, 4096> buf{};
      const ssize_t n = ::read(polled[i].fd, buf.data(), buf.size());
      if (n > 0) {
        texts[i].append(buf.data(), static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        polled[i].fd = -1;
      }
    }
  }
  return texts;
}

struct Run {
  std::string out;
  std::string err;
  int status = -1;
};

// The client started as "quamorsc" with `args`, `env` as its whole environment, standard output
// on a terminal and standard error on a terminal or a pipe.
std::optional<Run> run(const std::vector<std::string>& args, std::vector<std::string> env,
                       bool err_on_terminal) {
  auto out = terminal();
  auto err = err_on_terminal ? terminal() : pipe_channel();
  if (!out || !err) {
    return std::nullopt;
  }
  std::vector<std::string> words{"quamorsc"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (auto& w : words) {
    argv.push_back(w.data());
  }
  argv.push_back(nullptr);
  std::vector<char*> envp;
  envp.reserve(env.size() + 1);
  for (auto& e : env) {
    envp.push_back(e.data());
  }
  envp.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(out->write_end, 1) < 0 ||
        ::dup2(err->write_end, 2) < 0) {
      ::_exit(127);
    }
    ::execve(QUAMORSC_BIN, argv.data(), envp.data());
    ::_exit(127);
  }
  close_fd(out->write_end);
  close_fd(err->write_end);
  Run result;
  if (pid > 0) {
    auto texts = read_both({out->read_end, err->read_end});
    result.out = std::move(texts[0]);
    result.err = std::move(texts[1]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  if (pid < 0) {
    return std::nullopt;
  }
  return result;
}

// The report of a misspelt flag after "system": every colour an error report uses, or none.
std::string misspelt_flag_report(bool coloured) {
  const auto paint = [coloured](const char* colour, const std::string& s) {
    return coloured ? std::string("\x1b[") + colour + "m" + s + "\x1b[0m" : s;
  };
  const char* const red = "1;31";
  const char* const yellow = "33";
  const char* const green = "32";
  return paint(red, "error:") + " Found argument '" + paint(yellow, "--jsn") +
         "' which wasn't expected, or isn't valid in this context\n\tDid you mean " +
         paint(green, "--") + paint(green, "json") +
         "?\n\nUSAGE:\n    quamorsc system [FLAGS] [OPTIONS]\n\nFor more information try " +
         paint(green, "--help") + "\n";
}

struct Case {
  const char* what;
  std::vector<std::string> args;
  std::optional<const char*> term;  // TERM, or unset
  bool err_on_terminal;
  std::string out;
  std::string err;
  int status;
};

TEST(TerminalColour, OnlyErrorReportsOnATerminalWhoseTermIsNotDumb) {
  const std::vector<std::string> misspelt{"system", "--jsn"};
  const std::string coloured = misspelt_flag_report(true);
  const std::string plain = misspelt_flag_report(false);
  const std::string app_help = e2e::fixture("help/app.txt");
  const std::vector<Case> cases = {
      {"error, TERM unset", misspelt, std::nullopt, true, "", coloured, 1},
      {"error, TERM empty", misspelt, "", true, "", coloured, 1},
      {"error, TERM=xterm", misspelt, "xterm", true, "", coloured, 1},
      {"error, TERM=dumb", misspelt, "dumb", true, "", plain, 1},
      {"error to a pipe, TERM=xterm", misspelt, "xterm", false, "", plain, 1},
      {"help subcommand, TERM unset", {"help"}, std::nullopt, true, app_help, "", 0},
      {"--help, TERM=xterm", {"--help"}, "xterm", true, app_help, "", 0},
      {"subcommand help, TERM unset",
       {"help", "bgp"},
       std::nullopt,
       true,
       e2e::fixture("help/bgp.txt"),
       "",
       0},
      {"version, TERM=xterm",
       {"bgp", "-V"},
       "xterm",
       true,
       "quamorsc-bgp " + std::string(quamorsc::kVersion) + "\n",
       "",
       0},
      {"no subcommand, TERM unset", {}, std::nullopt, true, "", app_help, 1},
      {"no subcommand, TERM=xterm", {}, "xterm", true, "", app_help, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> env;
    if (c.term) {
      env.push_back(std::string("TERM=") + *c.term);
    }
    const auto r = run(c.args, env, c.err_on_terminal);
    if (!r) {
      GTEST_SKIP() << "no pseudo-terminal could be opened";
    }
    EXPECT_EQ(r->out, c.out);
    EXPECT_EQ(r->err, c.err);
    EXPECT_EQ(r->status, c.status);
  }
}

}  // namespace
