#include "quamorsc/process/io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

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

struct WriteCase {
  const char* name;
  Sink sink;
  int error;  // 0: the write counts as done
};

// A closed standard output has nowhere to put the bytes and drops them; one that is open gives
// every refusal back, including the EBADF of a descriptor opened only for reading.
TEST(WriteStdout, DropsOnlyWhatHasNoDescriptorToGoTo) {
  const WriteCase cases[] = {
      {"closed", Sink::Closed, 0},
      {"read-only", Sink::ReadOnly, EBADF},
      {"full", Sink::Full, ENOSPC},
      {"reader gone", Sink::ReaderGone, EPIPE},
  };
  auto* previous_sigpipe = std::signal(SIGPIPE, SIG_IGN);
  for (const WriteCase& c : cases) {
    // Nothing may be reported while descriptor 1 is not the test's own.
    const int saved = ::dup(1);
    ASSERT_GE(saved, 0);
    const bool made = make_sink(1, c.sink);
    auto written = made ? io::write_stdout("reply\n") : tl::expected<void, int>{};
    ::dup2(saved, 1);
    ::close(saved);
    ASSERT_TRUE(made) << c.name;
    EXPECT_EQ(written ? 0 : written.error(), c.error) << c.name;
  }
  std::signal(SIGPIPE, previous_sigpipe);
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

TEST(PrintOrExit, ReadOnlyStandardOutputIsAFailure) {
  for (const PrintRoad& road : kRoads) {
    EXPECT_EXIT(
        {
          if (!make_sink(1, Sink::ReadOnly)) {
            std::abort();
          }
          road.print("reply");
          std::exit(0);
        },
        testing::ExitedWithCode(74), kReadOnlyLine)
        << road.name;
  }
}

TEST(PrintOrExit, ClosedStandardOutputIsDoneAndTheRunGoesOn) {
  for (const PrintRoad& road : kRoads) {
    EXPECT_EXIT(
        {
          ::close(1);
          road.print("reply");
          std::exit(3);
        },
        testing::ExitedWithCode(3), "^$")
        << road.name;
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

}  // namespace
}  // namespace quamorsc
