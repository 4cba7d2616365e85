#include "quamorsc/process/io.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "blocked_writer.h"
#include "quamorsc/process/startup.h"

namespace quamorsc {
namespace {

// What a standard descriptor is when the client writes to it.
enum class Sink { Closed, ReadOnly, Full, ReaderGone };

// Makes descriptor `fd` the given sink; false when the test machine cannot provide it.
bool make_sink(int fd, Sink sink) {
  int made = -1;
  switch (sink) {
    case Sink::Closed:
      return ::close(fd) == 0 || errno == EBADF;
    case Sink::ReadOnly:
      made = ::open("/dev/null", O_RDONLY);
      break;
    case Sink::Full:
      made = ::open("/dev/full", O_WRONLY);
      break;
    case Sink::ReaderGone: {
      int ends[2];
      if (::pipe(ends) != 0) {
        return false;
      }
      ::close(ends[0]);
      made = ends[1];
      break;
    }
  }
  if (made < 0 || ::dup2(made, fd) < 0) {
    return false;
  }
  ::close(made);
  return true;
}

const char* const kReadOnlyLine =
    "^Failed to write to standard output: Bad file descriptor \\(os error 9\\)\n$";

// Both ways of printing go through the same refusal rules.
struct PrintRoad {
  const char* name;
  void (*print)(std::string_view);
};

const PrintRoad kRoads[] = {
    {"print_or_exit", io::print_or_exit},
    {"print_line_or_exit", io::print_line_or_exit},
};

struct SinkCase {
  const char* name;
  Sink sink;
  int status;        // 3: the write counted as done and the run went on
  const char* line;  // what standard error gets
};

// A closed standard output has nowhere to put the bytes and drops them; one that is open ends the
// run on every refusal, including the EBADF of a descriptor opened only for reading.
TEST(PrintOrExit, EndsOnEveryRefusalButAClosedDescriptor) {
  const SinkCase cases[] = {
      {"closed", Sink::Closed, 3, "^$"},
      {"read-only", Sink::ReadOnly, 74, kReadOnlyLine},
      {"full", Sink::Full, 74,
       "^Failed to write to standard output: No space left on device \\(os error 28\\)\n$"},
      {"reader gone", Sink::ReaderGone, 74,
       "^Failed to write to standard output: Broken pipe \\(os error 32\\)\n$"},
  };
  for (const PrintRoad& road : kRoads) {
    for (const SinkCase& c : cases) {
      EXPECT_EXIT(
          {
            std::signal(SIGPIPE, SIG_IGN);
            if (!make_sink(1, c.sink)) {
              std::abort();
            }
            road.print("reply");
            std::exit(3);
          },
          testing::ExitedWithCode(c.status), c.line)
          << road.name << ", " << c.name;
    }
  }
}

struct StartCase {
  const char* name;
  Sink at_start;  // descriptor 1 as the process starts
  Sink at_write;  // what it has become by the write
  int status;     // 3: the write counted as done and the run went on
};

// Start-up may put /dev/null on a closed descriptor, and the descriptor may change after it:
// what counts is the descriptor at the moment the write fails.
TEST(PrintOrExit, JudgesTheDescriptorAtTheWrite) {
  const StartCase cases[] = {
      {"closed, then read-only", Sink::Closed, Sink::ReadOnly, 74},
      {"read-only, then closed", Sink::ReadOnly, Sink::Closed, 3},
  };
  for (const StartCase& c : cases) {
    EXPECT_EXIT(
        {
          if (!make_sink(1, c.at_start)) {
            std::abort();
          }
          startup::prepare_process();
          if (!make_sink(1, c.at_write)) {
            std::abort();
          }
          io::print_line_or_exit("reply");
          std::exit(3);
        },
        testing::ExitedWithCode(c.status), c.status == 74 ? kReadOnlyLine : "^$")
        << c.name;
  }
}

// A failure whose line standard error will not take still ends with the failure's own status, and
// so does a refused reply whose report is refused in turn.
TEST(Fail, EndsWithItsOwnStatusWhateverStandardErrorTakes) {
  for (Sink err : {Sink::Closed, Sink::ReadOnly, Sink::Full}) {
    EXPECT_EXIT(
        {
          if (!make_sink(2, err)) {
            std::abort();
          }
          io::fail("Failed to connect", 68);
        },
        testing::ExitedWithCode(68), "^$");
    EXPECT_EXIT(
        {
          if (!make_sink(2, err) || !make_sink(1, Sink::ReadOnly)) {
            std::abort();
          }
          io::print_line_or_exit("reply");
          std::exit(0);
        },
        testing::ExitedWithCode(74), "^$");
  }
}

// The ways of writing that a descriptor in non-blocking mode can meet.
struct WriteRoad {
  const char* name;
  int fd;
  void (*write)(std::string_view);
  const char* appended;  // what the road writes after the bytes
};

const WriteRoad kWriteRoads[] = {
    {"print_or_exit", 1, io::print_or_exit, ""},
    {"print_line_or_exit", 1, io::print_line_or_exit, "\n"},
    {"write_stderr", 2, io::write_stderr, ""},
};

// Sixteen times what a pipe holds by default, in a pattern that shows a lost or repeated part.
std::string long_text() {
  std::string text(std::size_t{1} << 20, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char>('a' + i % 23);
  }
  return text;
}

// Puts the write end of a new pipe, in non-blocking mode, on descriptor `fd`; the read end, or -1.
int nonblocking_pipe_on(int fd) {
  int ends[2];
  if (::pipe(ends) != 0) {
    return -1;
  }
  const int flags = ::fcntl(ends[1], F_GETFL);
  if (flags < 0 || ::fcntl(ends[1], F_SETFL, flags | O_NONBLOCK) != 0 || ::dup2(ends[1], fd) < 0) {
    return -1;
  }
  ::close(ends[1]);
  return ends[0];
}

// The calling thread's stat file, for a reader thread to watch it.
std::string own_stat() {
  return "/proc/self/task/" + std::to_string(::gettid()) + "/stat";
}

// Only a writer that never waits for room makes a reader wait this long.
constexpr std::chrono::seconds kNeverWaitedAfter{60};

// Exit statuses of the children below, each a different way of going wrong.
constexpr int kWhole = 3;
constexpr int kNeverWaited = 4;
constexpr int kBytesDiffer = 5;
constexpr int kModeChanged = 6;

// Everything arrives, in order, when the reader comes only after the writer has had to wait; and
// the mode, which belongs to a file description the parent shares, is as it was.
TEST(NonBlockingDescriptor, IsWaitedForUntilItTakesEverything) {
  const std::string text = long_text();
  for (const WriteRoad& road : kWriteRoads) {
    EXPECT_EXIT(
        {
          const int read_end = nonblocking_pipe_on(road.fd);
          if (read_end < 0) {
            std::abort();
          }
          std::string got;
          bool waited = false;
          std::thread reader([&, writer = own_stat()] {
            waited = e2e::wait_for_blocked_writer(read_end, writer, kNeverWaitedAfter);
            char buf[65536];
            for (ssize_t n; (n = ::read(read_end, buf, sizeof buf)) > 0;) {
              got.append(buf, static_cast<std::size_t>(n));
            }
          });
          road.write(text);
          const int flags = ::fcntl(road.fd, F_GETFL);
          ::close(road.fd);
          reader.join();
          std::exit(!waited                              ? kNeverWaited
                    : got != text + road.appended        ? kBytesDiffer
                    : flags < 0 || !(flags & O_NONBLOCK) ? kModeChanged
                                                         : kWhole);
        },
        testing::ExitedWithCode(kWhole), "^$")
        << road.name;
  }
}

// Poll reports a pipe that has lost its reader, and the write after it fails as on any pipe whose
// reader has gone.
TEST(NonBlockingDescriptor, WhoseReaderLeavesWhileWaitedForIsABrokenPipe) {
  const std::string text = long_text();
  for (const PrintRoad& road : kRoads) {
    EXPECT_EXIT(
        {
          std::signal(SIGPIPE, SIG_IGN);
          const int read_end = nonblocking_pipe_on(1);
          if (read_end < 0) {
            std::abort();
          }
          std::thread reader([read_end, writer = own_stat()] {
            if (!e2e::wait_for_blocked_writer(read_end, writer, kNeverWaitedAfter)) {
              std::_Exit(kNeverWaited);
            }
            ::close(read_end);
          });
          reader.detach();
          road.print(text);
          std::exit(kWhole);
        },
        testing::ExitedWithCode(74),
        "^Failed to write to standard output: Broken pipe \\(os error 32\\)\n$")
        << road.name;
  }
}

std::atomic<bool> g_interrupted{false};

extern "C" void note_interruption(int /*signal*/) {
  g_interrupted = true;
}

// A signal that interrupts the wait is no failure: the wait starts again.
TEST(NonBlockingDescriptor, WaitInterruptedByASignalGoesOn) {
  const std::string text = long_text();
  EXPECT_EXIT(
      {
        struct sigaction action {};
        action.sa_handler = note_interruption;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // poll is never restarted by the kernel anyway
        ::sigaction(SIGUSR1, &action, nullptr);
        const int read_end = nonblocking_pipe_on(1);
        if (read_end < 0) {
          std::abort();
        }
        std::string got;
        bool waited = false;
        std::thread reader([&, writer = own_stat(), main = ::pthread_self()] {
          waited = e2e::wait_for_blocked_writer(read_end, writer, kNeverWaitedAfter);
          ::pthread_kill(main, SIGUSR1);
          while (!g_interrupted) {
            std::this_thread::yield();
          }
          // The handler has run and the pipe is still full: the writer waits again, or has failed.
          waited = waited && e2e::wait_for_blocked_writer(read_end, writer, kNeverWaitedAfter);
          char buf[65536];
          for (ssize_t n; (n = ::read(read_end, buf, sizeof buf)) > 0;) {
            got.append(buf, static_cast<std::size_t>(n));
          }
        });
        io::print_line_or_exit(text);
        ::close(1);
        reader.join();
        std::exit(!waited ? kNeverWaited : got != text + "\n" ? kBytesDiffer : kWhole);
      },
      testing::ExitedWithCode(kWhole), "^$");
}

}  // namespace
}  // namespace quamorsc
