#include "quamorsc/process/io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <tl/expected.hpp>

#include "base/os_error.h"
#include "quamorsc/process/exit_status.h"

namespace quamorsc::io {

namespace {

// EBADF alone does not say whether there is nothing to write to (a closed descriptor, where the
// text is dropped) or a file that refuses writing (one opened read-only, a failure). Asked when a
// write has failed rather than at start-up, so it sees the descriptor as it is at that moment.
bool is_closed(int fd) {
  return ::fcntl(fd, F_GETFD) < 0 && errno == EBADF;
}

// Waits until `fd`, in non-blocking mode, can take more. Poll also returns when the descriptor has
// an error or a pipe has lost its reader, so that the next write reports it (EPIPE) instead of
// waiting on a reader that will never come. The mode belongs to the file description, which the
// parent shares, so it stays as it is. Returns the errno of a failed poll, or 0.
int wait_writable(int fd) {
  pollfd pfd{fd, POLLOUT, 0};
  while (::poll(&pfd, 1, -1) < 0) {
    if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

// Linux gives one number for both names, so one comparison catches a descriptor that would block.
static_assert(EWOULDBLOCK == EAGAIN);

// Writes both parts in order with as few calls as the kernel allows; a descriptor in non-blocking
// mode is waited for, not given up on.
tl::expected<void, int> write_fd(int fd, std::string_view first, std::string_view second = {}) {
  while (!first.empty() || !second.empty()) {
    iovec parts[2] = {{const_cast<char*>(first.data()), first.size()},
                      {const_cast<char*>(second.data()), second.size()}};
    ssize_t n = first.empty() ? ::writev(fd, parts + 1, 1) : ::writev(fd, parts, 2);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      int error = errno;
      if (error == EAGAIN) {
        error = wait_writable(fd);
        if (error == 0) {
          continue;
        }
        return tl::unexpected(error);
      }
      if (error == EBADF && is_closed(fd)) {
        return {};
      }
      return tl::unexpected(error);
    }
    if (n == 0) {
      return tl::unexpected(EIO);
    }
    auto written = static_cast<std::size_t>(n);
    std::size_t from_first = written < first.size() ? written : first.size();
    first.remove_prefix(from_first);
    second.remove_prefix(written - from_first);
  }
  return {};
}

[[noreturn]] void stdout_failed(int error) {
  fail("Failed to write to standard output: " + base::os_error_display(error), exit_status::kIo);
}

}  // namespace

void write_stderr(std::string_view bytes) {
  (void)write_fd(2, bytes);
}

void print_or_exit(std::string_view bytes) {
  if (auto written = write_fd(1, bytes); !written) {
    stdout_failed(written.error());
  }
}

void print_line_or_exit(std::string_view text) {
  if (auto written = write_fd(1, text, "\n"); !written) {
    stdout_failed(written.error());
  }
}

void exit(int status) {
  std::fflush(stdout);
  std::exit(status);
}

void fail(std::string line, int status) {
  line += '\n';
  write_stderr(line);
  exit(status);
}

}  // namespace quamorsc::io
