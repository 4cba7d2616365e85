// The RUST_LOG reader against a reading written here from the filter's rules: the exact
// directives (name and level of each), the message pattern, and every warning word for word and in
// order. The level that decides for a target follows the precedence rule (longest matching name,
// later among equals, nameless only when no name matches), also computed here directly.
#include <re2/re2.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "quamorsc/process/logging.h"
#include "reference_utf8.h"

namespace {

using quamorsc::logging::Directive;
using quamorsc::logging::Level;

bool is_warning(const std::string& w) {
  return w.ends_with("\n") && (w.starts_with("warning: invalid logging spec '") ||
                               w.starts_with("warning: invalid regex filter - "));
}

// An empty module name ("=debug") matches every target as a nameless directive does, and ranks
// with them.
Level reference_level(const std::vector<Directive>& directives, std::string_view target) {
  std::optional<std::size_t> best;
  Level level = Level::Off;
  for (const Directive& d : directives) {
    const std::size_t len = d.name ? d.name->size() : 0;
    if (len > 0 && !target.starts_with(*d.name)) {
      continue;
    }
    if (!best || len >= *best) {
      best = len;
      level = d.level;
    }
  }
  return level;
}

bool white_space(char32_t c) {
  return (c >= 0x9 && c <= 0xD) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// Blanks off both ends, character by character.
std::string trimmed(std::string_view s) {
  std::vector<std::pair<std::size_t, fuzz::Step>> steps;
  for (std::size_t i = 0; i < s.size();) {
    const fuzz::Step st = fuzz::decode_at(s, i);
    steps.emplace_back(i, st);
    i += st.len;
  }
  std::size_t first = 0;
  std::size_t last = steps.size();
  while (first < last && white_space(steps[first].second.cp)) {
    ++first;
  }
  while (last > first && white_space(steps[last - 1].second.cp)) {
    --last;
  }
  if (first == last) {
    return "";
  }
  const std::size_t from = steps[first].first;
  const std::size_t to = steps[last - 1].first + steps[last - 1].second.len;
  return std::string(s.substr(from, to - from));
}

std::optional<Level> level_named(std::string_view s) {
  const std::pair<std::string_view, Level> names[] = {
      {"off", Level::Off},   {"error", Level::Error}, {"warn", Level::Warn},
      {"info", Level::Info}, {"debug", Level::Debug}, {"trace", Level::Trace}};
  for (const auto& [name, level] : names) {
    if (s.size() != name.size()) {
      continue;
    }
    bool same = true;
    for (std::size_t i = 0; i < s.size(); ++i) {
      const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
      same = same && c == name[i];
    }
    if (same) {
      return level;
    }
  }
  return std::nullopt;
}

std::vector<std::string> split(std::string_view s, char by) {
  std::vector<std::string> out;
  for (std::size_t start = 0;;) {
    const std::size_t at = s.find(by, start);
    out.emplace_back(s.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) {
      return out;
    }
    start = at + 1;
  }
}

struct Reading {
  std::vector<Directive> directives;
  std::optional<std::string> expression;
  std::vector<std::string> warnings;
};

Reading read_filter(std::string_view text) {
  Reading r;
  const auto parts = split(text, '/');
  if (parts.size() > 2) {
    r.warnings.push_back("warning: invalid logging spec '" + std::string(text) +
                         "', ignoring it (too many '/'s)\n");
  } else {
    for (const std::string& item : split(parts[0], ',')) {
      if (item.empty()) {
        continue;
      }
      const auto pieces = split(item, '=');
      if (pieces.size() == 1) {
        if (auto level = level_named(item)) {
          r.directives.push_back({std::nullopt, *level});
        } else {
          r.directives.push_back({item, Level::Trace});
        }
      } else if (pieces.size() == 2) {
        const std::string level_text = trimmed(pieces[1]);
        if (level_text.empty()) {
          r.directives.push_back({pieces[0], Level::Trace});
        } else if (auto level = level_named(level_text)) {
          r.directives.push_back({pieces[0], *level});
        } else {
          r.warnings.push_back("warning: invalid logging spec '" + level_text + "', ignoring it\n");
        }
      } else {
        r.warnings.push_back("warning: invalid logging spec '" + item + "', ignoring it\n");
      }
    }
    if (parts.size() == 2) {
      RE2::Options options;
      options.set_log_errors(false);
      const RE2 re(parts[1], options);
      if (re.ok()) {
        r.expression = parts[1];
      } else {
        r.warnings.push_back("warning: invalid regex filter - " + re.error() + "\n");
      }
    }
  }
  if (r.directives.empty()) {
    r.directives.push_back({std::nullopt, Level::Error});
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // The tail after a NUL byte names the target to look the level up for.
  std::string_view target = quamorsc::logging::kTarget;
  if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
    target = text.substr(nul + 1);
    text = text.substr(0, nul);
  }

  const auto filter = quamorsc::logging::parse_filter(text);
  // The variable is read only when it is UTF-8, so only such text has a reading to match.
  if (fuzz::is_utf8(text)) {
    const Reading want = read_filter(text);
    FUZZ_CHECK(filter.directives == want.directives);
    FUZZ_CHECK(filter.expression == want.expression);
    FUZZ_CHECK(filter.warnings == want.warnings);
  }
  FUZZ_CHECK(!filter.directives.empty());
  for (const std::string& w : filter.warnings) {
    FUZZ_CHECK(is_warning(w));
  }

  const std::size_t slash = text.find('/');
  const bool too_many =
      slash != std::string_view::npos && text.find('/', slash + 1) != std::string_view::npos;
  if (too_many) {
    FUZZ_CHECK(filter.warnings.size() == 1 &&
               filter.warnings[0] == "warning: invalid logging spec '" + std::string(text) +
                                         "', ignoring it (too many '/'s)\n");
    FUZZ_CHECK(filter.directives.size() == 1 && !filter.directives[0].name &&
               filter.directives[0].level == Level::Error && !filter.expression);
  }
  if (filter.expression) {
    FUZZ_CHECK(slash != std::string_view::npos && *filter.expression == text.substr(slash + 1));
    RE2::Options options;
    options.set_log_errors(false);
    const RE2 re(*filter.expression, options);
    FUZZ_CHECK(re.ok());
  }
  for (const Directive& d : filter.directives) {
    // A name is a piece of one comma-separated item before its "=", never the pattern.
    if (d.name) {
      FUZZ_CHECK(d.name->find_first_of(",=/") == std::string::npos);
    }
    FUZZ_CHECK(d.level <= quamorsc::logging::max_level(filter.directives));
  }

  FUZZ_CHECK(quamorsc::logging::target_level(filter.directives, target) ==
             reference_level(filter.directives, target));
  return 0;
}
