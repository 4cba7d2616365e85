#include "argparse_checks.h"

#include "argparse_words.h"

namespace quamorsc::argparse {

std::optional<Exit> check_matches(const Subcommand& sub, const std::vector<OptionMatch>& matches,
                                  std::string_view display, const text::Paint& paint) {
  // Every option checked here was recorded, so the usage line is the short one.
  const auto usage = [&] { return text::subcommand_usage(sub, display, true); };
  for (std::size_t i = 0; i < sub.options.size(); ++i) {
    const Option& option = sub.options[i];
    const OptionMatch& match = matches[i];
    if (match.occurrences == 0) {
      continue;
    }
    if (option.kind == Kind::Value && match.values.empty()) {
      return failure(text::requires_value(paint, option, usage()));
    }
    if (option.kind == Kind::OptionalValue && match.values.size() > 1) {
      return failure(text::too_many_values(paint, option, match.values.back(), usage()));
    }
    if (option.check != nullptr) {
      for (const std::string& value : match.values) {
        if (auto checked = option.check(value); !checked) {
          return failure(text::invalid_value(paint, option, checked.error()));
        }
      }
    }
    if (match.occurrences > 1) {
      return failure(text::more_than_once(paint, option, usage()));
    }
  }
  return std::nullopt;
}

}  // namespace quamorsc::argparse
