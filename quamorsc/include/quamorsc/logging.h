// The client's logger: set up once from RUST_LOG and RUST_LOG_STYLE, it writes records of target
// "quamorsc" to standard error as "[time LEVEL quamorsc] message". `enabled` is the cheap test
// against the maximum level that guards the forming of every record.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quamorsc::logging {

enum class Level : std::uint8_t { Off = 0, Error = 1, Warn = 2, Info = 3, Debug = 4, Trace = 5 };

// What the logger reads from the process; injectable so that tests run in-process.
struct Environment {
  std::optional<std::string> rust_log;        // absent when unset or not valid UTF-8
  std::optional<std::string> rust_log_style;  // likewise
  std::optional<std::string> term;            // TERM, absent when unset or not valid UTF-8
  bool stderr_is_terminal = false;
  std::function<std::int64_t()> now;            // seconds since the epoch, UTC
  std::function<void(std::string_view)> write;  // one call per line or warning
};

// Reads the real environment, clock and standard error.
Environment process_environment();

// Installs the logger; the warnings about RUST_LOG go out through `env.write`. Calling it again
// replaces the logger (tests do; the program calls it once).
void init(Environment env);

// True when a record of `level` can pass the filter: its message must then be formed.
bool enabled(Level level);

// Submits a record of target "quamorsc"; the filter decides whether it is written.
void log(Level level, std::string_view message);

}  // namespace quamorsc::logging
