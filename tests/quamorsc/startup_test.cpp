#include "quamorsc/process/startup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>

#include <gtest/gtest.h>

namespace quamorsc {
namespace {

void fail() {
  throw std::runtime_error("index out of range");
}

// An exception that reaches a noexcept boundary ends in std::terminate.
void call_without_catching(void (*f)()) noexcept {
  f();
}

TEST(Startup, EscapingExceptionIsAnInternalFault) {
  EXPECT_EXIT(
      {
        startup::prepare_process();
        call_without_catching(fail);
      },
      testing::ExitedWithCode(101), "^internal fault: index out of range\n$");
}

TEST(Startup, InternalFaultFlushesStandardOutputFirst) {
  EXPECT_EXIT(
      {
        int pipe_fds[2];
        if (::pipe(pipe_fds) != 0) {
          std::abort();
        }
        ::dup2(pipe_fds[1], 1);
        startup::prepare_process();
        std::fputs("partial", stdout);
        if (::fork() == 0) {
          startup::internal_fault("boom");
        }
        ::sleep(1);
        char buf[16] = {};
        ssize_t n = ::read(pipe_fds[0], buf, sizeof buf - 1);
        std::fprintf(stderr, "read %s\n", n > 0 ? buf : "");
        std::exit(0);
      },
      testing::ExitedWithCode(0), "internal fault: boom\nread partial\n");
}

TEST(Startup, ClosedStandardDescriptorsAreOpenedOnDevNull) {
  EXPECT_EXIT(
      {
        ::close(0);
        ::close(1);
        startup::prepare_process();
        bool open = ::fcntl(0, F_GETFD) >= 0 && ::fcntl(1, F_GETFD) >= 0;
        std::exit(open && ::write(1, "x", 1) == 1 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(Startup, SigpipeIsIgnored) {
  EXPECT_EXIT(
      {
        startup::prepare_process();
        int pipe_fds[2];
        if (::pipe(pipe_fds) != 0) {
          std::abort();
        }
        ::close(pipe_fds[0]);
        std::exit(::write(pipe_fds[1], "x", 1) < 0 && errno == EPIPE ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace quamorsc
