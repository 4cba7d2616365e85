#include "quamorsc/process/logging.h"

#include <re2/re2.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <utility>

#include "base/utf8.h"
#include "quamorsc/process/io.h"

namespace quamorsc::logging {

namespace {

// The installed logger. The maximum level lives apart so that `enabled` is one compare.
struct Logger {
  Level level = Level::Off;  // what decides for kTarget
  std::unique_ptr<RE2> expression;
  bool colour = false;
  std::function<std::int64_t()> now;
  std::function<void(std::string_view)> write;
};

Level g_max_level = Level::Off;

Logger& logger() {
  // Never destroyed, so a record submitted while the process exits still finds it.
  static Logger* installed = new Logger;
  return *installed;
}

std::unique_ptr<RE2> compile(std::string_view pattern) {
  RE2::Options options;
  options.set_log_errors(false);
  return std::make_unique<RE2>(re2::StringPiece(pattern.data(), pattern.size()), options);
}

// Every White_Space character, as UTF-8, that a level text may be padded with.
constexpr std::array<std::string_view, 25> kBlanks = {
    "\t",           "\n",           "\v",           "\f",           "\r",           " ",
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
    "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80"};

std::string_view trim_blanks(std::string_view text) {
  for (bool cut = true; cut;) {
    cut = false;
    for (std::string_view blank : kBlanks) {
      if (text.starts_with(blank)) {
        text.remove_prefix(blank.size());
        cut = true;
      }
      if (text.ends_with(blank)) {
        text.remove_suffix(blank.size());
        cut = true;
      }
    }
  }
  return text;
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

std::string invalid_directive_warning(std::string_view text) {
  return "warning: invalid logging spec '" + std::string(text) + "', ignoring it\n";
}

// One comma-separated item: a directive, or the warning that skips it.
void parse_item(std::string_view item, Filter& filter) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    std::size_t eq = item.find('=', start);
    pieces.push_back(item.substr(start, eq == std::string_view::npos ? eq : eq - start));
    if (eq == std::string_view::npos) {
      break;
    }
    start = eq + 1;
  }
  if (pieces.size() == 1) {
    if (auto level = parse_level(item)) {
      filter.directives.push_back({std::nullopt, *level});
    } else {
      filter.directives.push_back({std::string(item), Level::Trace});
    }
    return;
  }
  if (pieces.size() > 2) {
    filter.warnings.push_back(invalid_directive_warning(item));
    return;
  }
  std::string_view level_text = trim_blanks(pieces[1]);
  if (level_text.empty()) {
    filter.directives.push_back({std::string(pieces[0]), Level::Trace});
  } else if (auto level = parse_level(level_text)) {
    filter.directives.push_back({std::string(pieces[0]), *level});
  } else {
    filter.warnings.push_back(invalid_directive_warning(level_text));
  }
}

void append_decimal(std::string& out, std::int64_t value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) {
    out.append(static_cast<std::size_t>(width) - digits.size(), '0');
  }
  out += digits;
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

struct Colour {
  std::string_view code;
  bool bold = false;
};

constexpr Colour kBrightBlack{"\x1b[38;5;8m"};

Colour level_colour(Level level) {
  switch (level) {
    case Level::Error:
      return {"\x1b[31m", true};
    case Level::Warn:
      return {"\x1b[33m"};
    case Level::Info:
      return {"\x1b[32m"};
    case Level::Debug:
      return {"\x1b[37m"};
    case Level::Off:
    case Level::Trace:
      break;
  }
  return kBrightBlack;
}

void append_piece(std::string& out, std::string_view text, Colour colour, bool coloured) {
  if (!coloured) {
    out += text;
    return;
  }
  out += "\x1b[0m";
  if (colour.bold) {
    out += "\x1b[1m";
  }
  out += colour.code;
  out += text;
  out += "\x1b[0m";
}

// The environment variables the logger reads must be UTF-8; anything else counts as unset.
std::optional<std::string> utf8_variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || base::check_utf8(value)) {
    return std::nullopt;
  }
  return std::string(value);
}

}  // namespace

std::string_view level_name(Level level) {
  switch (level) {
    case Level::Off:
      return "OFF";
    case Level::Error:
      return "ERROR";
    case Level::Warn:
      return "WARN";
    case Level::Info:
      return "INFO";
    case Level::Debug:
      return "DEBUG";
    case Level::Trace:
      return "TRACE";
  }
  return "OFF";
}

std::optional<Level> parse_level(std::string_view text) {
  for (Level level :
       {Level::Off, Level::Error, Level::Warn, Level::Info, Level::Debug, Level::Trace}) {
    if (equals_ignoring_ascii_case(text, level_name(level))) {
      return level;
    }
  }
  return std::nullopt;
}

Filter parse_filter(std::string_view text) {
  Filter filter;
  std::size_t slash = text.find('/');
  if (slash != std::string_view::npos && text.find('/', slash + 1) != std::string_view::npos) {
    filter.warnings.push_back("warning: invalid logging spec '" + std::string(text) +
                              "', ignoring it (too many '/'s)\n");
  } else {
    std::string_view items = text.substr(0, slash);
    for (std::size_t start = 0; start <= items.size();) {
      std::size_t comma = items.find(',', start);
      if (comma == std::string_view::npos) {
        comma = items.size();
      }
      if (comma > start) {
        parse_item(items.substr(start, comma - start), filter);
      }
      start = comma + 1;
    }
    if (slash != std::string_view::npos) {
      std::string_view pattern = text.substr(slash + 1);
      auto re = compile(pattern);
      if (re->ok()) {
        filter.expression = std::string(pattern);
      } else {
        filter.warnings.push_back("warning: invalid regex filter - " + re->error() + "\n");
      }
    }
  }
  if (filter.directives.empty()) {
    filter.directives.push_back({std::nullopt, Level::Error});
  }
  return filter;
}

Level target_level(const std::vector<Directive>& directives, std::string_view target) {
  std::optional<std::size_t> best_length;
  Level level = Level::Off;
  for (const Directive& d : directives) {
    std::size_t length = d.name ? d.name->size() : 0;
    if (d.name && !target.starts_with(*d.name)) {
      continue;
    }
    if (!best_length || length >= *best_length) {
      best_length = length;
      level = d.level;
    }
  }
  return level;
}

Level max_level(const std::vector<Directive>& directives) {
  Level max = Level::Off;
  for (const Directive& d : directives) {
    max = std::max(max, d.level);
  }
  return max;
}

bool colour_wanted(const Environment& env) {
  if (env.rust_log_style == "always") {
    return true;
  }
  if (env.rust_log_style == "never") {
    return false;
  }
  return env.stderr_is_terminal && env.term && *env.term != "dumb";
}

std::string utc_time(std::int64_t seconds) {
  // Civil date from days since 1970-01-01 in the proleptic Gregorian calendar, so that neither
  // TZ nor the locale can change a timestamp.
  std::int64_t days = floor_div(seconds, 86400);
  std::int64_t secs = seconds - days * 86400;
  std::int64_t z = days + 719468;
  std::int64_t era = floor_div(z, 146097);
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);

  std::string out;
  append_decimal(out, year, 4);
  out += '-';
  append_decimal(out, month, 2);
  out += '-';
  append_decimal(out, day, 2);
  out += 'T';
  append_decimal(out, secs / 3600, 2);
  out += ':';
  append_decimal(out, secs / 60 % 60, 2);
  out += ':';
  append_decimal(out, secs % 60, 2);
  out += 'Z';
  return out;
}

std::string format_line(Level level, std::int64_t seconds, std::string_view message, bool colour) {
  std::string line;
  line.reserve(message.size() + 48);
  append_piece(line, "[", kBrightBlack, colour);
  line += utc_time(seconds);
  line += ' ';
  std::string padded(level_name(level));
  padded.resize(5, ' ');
  append_piece(line, padded, level_colour(level), colour);
  line += ' ';
  line += kTarget;
  append_piece(line, "]", kBrightBlack, colour);
  line += ' ';
  for (char c : message) {
    line += c;
    if (c == '\n') {
      line += "    ";
    }
  }
  line += '\n';
  return line;
}

Environment process_environment() {
  Environment env;
  env.rust_log = utf8_variable("RUST_LOG");
  env.rust_log_style = utf8_variable("RUST_LOG_STYLE");
  env.term = utf8_variable("TERM");
  env.stderr_is_terminal = ::isatty(2) == 1;
  env.now = [] {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec);
  };
  env.write = [](std::string_view bytes) { io::write_stderr(bytes); };
  return env;
}

void init(Environment env) {
  Filter filter = parse_filter(env.rust_log.value_or(""));
  for (const std::string& warning : filter.warnings) {
    env.write(warning);
  }
  Logger& installed = logger();
  installed.level = target_level(filter.directives, kTarget);
  installed.expression = filter.expression ? compile(*filter.expression) : nullptr;
  installed.colour = colour_wanted(env);
  installed.now = std::move(env.now);
  installed.write = std::move(env.write);
  g_max_level = max_level(filter.directives);
}

bool enabled(Level level) {
  return level != Level::Off && level <= g_max_level;
}

void log(Level level, std::string_view message) {
  if (!enabled(level)) {
    return;
  }
  const Logger& installed = logger();
  if (level > installed.level) {
    return;
  }
  if (installed.expression &&
      !RE2::PartialMatch(re2::StringPiece(message.data(), message.size()), *installed.expression)) {
    return;
  }
  installed.write(format_line(level, installed.now(), message, installed.colour));
}

}  // namespace quamorsc::logging
