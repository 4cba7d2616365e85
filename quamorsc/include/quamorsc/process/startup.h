// What the process sets up before anything else runs: SIGPIPE ignored, the three standard
// descriptors open on /dev/null where they are closed and it can be opened, standard output
// line-buffered, and an internal fault reported in one line on standard error, ending the process
// with `exit_status::kInternalFault`.
#pragma once

#include <string_view>

namespace quamorsc::startup {

void prepare_process();

// Writes "internal fault: <what>" on standard error, flushes standard output and exits with
// `exit_status::kInternalFault`.
[[noreturn]] void internal_fault(std::string_view what);

}  // namespace quamorsc::startup
