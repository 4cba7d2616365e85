#include "quamorsc/io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/os_error.h"

namespace quamorsc::io {

namespace {

tl::expected<void, int> write_fd(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      if (errno == EBADF) {
        return {};
      }
      return tl::unexpected(errno);
    }
    if (n == 0) {
      return tl::unexpected(EIO);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

}  // namespace

tl::expected<void, int> write_stdout(std::string_view bytes) {
  return write_fd(1, bytes);
}

void write_stderr(std::string_view bytes) {
  (void)write_fd(2, bytes);
}

void print_or_exit(std::string_view bytes) {
  if (auto written = write_stdout(bytes); !written) {
    write_stderr("Failed to write to standard output: " + base::os_error_display(written.error()) +
                 "\n");
    exit(74);
  }
}

void exit(int status) {
  std::fflush(stdout);
  std::exit(status);
}

}  // namespace quamorsc::io
