#include "quamorsc/process/startup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

#include "quamorsc/process/exit_status.h"
#include "quamorsc/process/io.h"

namespace quamorsc::startup {

namespace {

// A closed standard descriptor would be handed out by the next open, to a file the C library
// reads or to a connection. /dev/null keeps the three taken; writes to it count as done. Where
// /dev/null cannot be opened the descriptor stays closed, which the sockets step around.
void open_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) {
      continue;
    }
    int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

[[noreturn]] void on_terminate() {
  std::string what = "terminate called";
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
      what = "unknown exception";
    }
  }
  internal_fault(what);
}

}  // namespace

void prepare_process() {
  std::signal(SIGPIPE, SIG_IGN);
  open_standard_descriptors();
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::set_terminate(on_terminate);
}

void internal_fault(std::string_view what) {
  std::string line = "internal fault: ";
  for (char c : what) {
    line += c == '\n' ? ' ' : c;
  }
  line += '\n';
  io::write_stderr(line);
  std::fflush(stdout);
  ::_exit(exit_status::kInternalFault);
}

}  // namespace quamorsc::startup
