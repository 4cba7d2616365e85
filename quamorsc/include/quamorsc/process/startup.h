// What the process sets up before anything else runs: SIGPIPE ignored, the three standard
// descriptors open on /dev/null where they are closed and it can be opened, standard output
// line-buffered, and an internal fault reported in one line on standard error with status 101.
#pragma once

#include <string_view>

namespace quamorsc::startup {

inline constexpr int kInternalFaultStatus = 101;

void prepare_process();

// Writes "internal fault: <what>" on standard error, flushes standard output and exits 101.
[[noreturn]] void internal_fault(std::string_view what);

}  // namespace quamorsc::startup
