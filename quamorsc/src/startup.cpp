#include "quamorsc/startup.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

#include "quamorsc/io.h"

namespace quamorsc::startup {

namespace {

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
  ::_exit(kInternalFaultStatus);
}

}  // namespace quamorsc::startup
