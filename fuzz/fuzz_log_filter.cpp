// The RUST_LOG reader: whatever the text, there is at least one directive, every warning is one
// of the three forms, a kept expression compiles, and the level that decides for a target follows
// the precedence rule (longest matching name, later among equals, nameless only when no name
// matches) computed here directly.
#include <re2/re2.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "check.h"
#include "quamorsc/logging.h"

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
