// The process's own output and exit: whole writes to standard output and standard error that go
// on after an interrupted or short write, wait while a descriptor in non-blocking mode cannot take
// more, and treat a descriptor that is not open as done (one open but not for writing is a
// failure), and an exit that flushes standard output first.
#pragma once

#include <string>
#include <string_view>

namespace quamorsc::io {

// Writes every byte to descriptor 2 in as few calls as the kernel allows. Failures are ignored,
// whether descriptor 2 is closed or refuses writing: there is nowhere left to report them.
void write_stderr(std::string_view bytes);

// Writes `bytes` to standard output; on failure (a closed descriptor 1 is none) writes one line on
// standard error with the OS error text and ends the process with `exit_status::kIo`.
void print_or_exit(std::string_view bytes);

// Writes `text` and one newline to standard output, in one call where the kernel allows; on
// failure as `print_or_exit`.
void print_line_or_exit(std::string_view text);

// Ends the process with `status` after flushing whatever standard output still holds.
[[noreturn]] void exit(int status);

// Writes `line` and a line feed on standard error in one piece, then ends with `status`, also
// when standard error took nothing.
[[noreturn]] void fail(std::string line, int status);

}  // namespace quamorsc::io
