#include "quamorsc/program.h"

#include <unistd.h>

#include <exception>
#include <string>
#include <utility>

#include "base/semver.h"
#include "quamorsc/cli/cli.h"
#include "quamorsc/exchange/reply.h"
#include "quamorsc/process/exit_status.h"
#include "quamorsc/process/io.h"
#include "quamorsc/process/logging.h"
#include "quamorsc/process/startup.h"
#include "quamorsc/process/version.h"
#include "quamorsc/request/run.h"

namespace quamorsc {

namespace {

constexpr const char* kMode = "release";

[[noreturn]] void run_steps(int argc, char** argv) {
  logging::init(logging::process_environment());

  auto version = base::semver::Version::parse(kVersion);
  if (!version) {
    startup::internal_fault("built-in version " + std::string(kVersion) + ": " + version.error());
  }

  if (logging::enabled(logging::Level::Debug)) {
    logging::log(logging::Level::Debug, "START: Version: " + version->to_string() + ", Pid " +
                                            std::to_string(::getpid()) + " Mode '" + kMode + "'");
  }

  Cmd cmd = from_args(argc, argv);
  if (logging::enabled(logging::Level::Trace)) {
    std::string message = "Cmd from Args ";
    debug_fmt(message, cmd);
    logging::log(logging::Level::Trace, message);
  }

  Reply reply = run(cmd, std::move(*version));
  io::print_line_or_exit(reply.text());
  io::exit(exit_status::kSuccess);
}

}  // namespace

void main(int argc, char** argv) {
  startup::prepare_process();
  lib_main(argc, argv);
}

void lib_main(int argc, char** argv) {
  try {
    run_steps(argc, argv);
  } catch (const std::exception& e) {
    startup::internal_fault(e.what());
  } catch (...) {
    startup::internal_fault("unknown exception");
  }
}

}  // namespace quamorsc
