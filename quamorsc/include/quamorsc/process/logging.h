// The client's logger: set up once from RUST_LOG and RUST_LOG_STYLE, it writes records of target
// "quamorsc" to standard error as "[time LEVEL quamorsc] message". `enabled` is the cheap test
// against the maximum level that guards the forming of every record.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quamorsc::logging {

enum class Level : std::uint8_t { Off = 0, Error = 1, Warn = 2, Info = 3, Debug = 4, Trace = 5 };

// The target and module path of every record of the program.
inline constexpr std::string_view kTarget = "quamorsc";

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

// The pieces `init` is made of, kept apart so that each can be checked on its own.

// "OFF", "ERROR", "WARN", "INFO", "DEBUG", "TRACE".
std::string_view level_name(Level level);

// A level name in any letter case; nothing else (numbers included) is a level.
std::optional<Level> parse_level(std::string_view text);

struct Directive {
  std::optional<std::string> name;  // absent: applies to every target
  Level level = Level::Trace;
  friend bool operator==(const Directive&, const Directive&) = default;
};

// A RUST_LOG value as read: the level directives, the message expression and the warnings met.
struct Filter {
  std::vector<Directive> directives;      // never empty: Error for every target when none is valid
  std::optional<std::string> expression;  // the message filter, only when it compiles
  std::vector<std::string> warnings;      // whole lines in the order met
};

// Reads a RUST_LOG value ("" when the variable is absent).
Filter parse_filter(std::string_view text);

// The level that decides for records of `target`: that of the applying directive with the
// longest name, the later one among equals; Off when no directive applies.
Level target_level(const std::vector<Directive>& directives, std::string_view target);

// The highest level of all directives, whichever target they name.
Level max_level(const std::vector<Directive>& directives);

// RUST_LOG_STYLE "always" or "never", else colour when standard error is a terminal and TERM is
// set and is not "dumb".
bool colour_wanted(const Environment& env);

// "YYYY-MM-DDTHH:MM:SSZ" for seconds since the epoch.
std::string utc_time(std::int64_t seconds);

// One whole log line, newline included.
std::string format_line(Level level, std::int64_t seconds, std::string_view message, bool colour);

}  // namespace quamorsc::logging
