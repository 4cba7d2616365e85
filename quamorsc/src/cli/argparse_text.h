// The texts the command-line parser shows: help screens, version lines and the error reports,
// each report with or without its ANSI colours. Every text ends with its newline.
#pragma once

#include <string>
#include <string_view>

#include "quamorsc/cli/argparse_types.h"

namespace quamorsc::argparse::text {

// Colours the pieces of an error report, or leaves them plain.
class Paint {
 public:
  explicit Paint(bool colour) : colour_(colour) {}
  std::string error(std::string_view s) const { return wrap("\x1b[1;31m", s); }
  std::string warning(std::string_view s) const { return wrap("\x1b[33m", s); }
  std::string good(std::string_view s) const { return wrap("\x1b[32m", s); }

 private:
  std::string wrap(std::string_view start, std::string_view s) const;
  bool colour_;
};

std::string app_help(const App& app, std::string_view display);
std::string app_version(const App& app);
std::string subcommand_help(const App& app, const Subcommand& sub, std::string_view display);
std::string subcommand_version(const App& app, const Subcommand& sub, std::string_view display);

// "USAGE:" and the usage line of the application or a subcommand; `short_form` once an option
// of that level has been recorded.
std::string app_usage(std::string_view display);
std::string subcommand_usage(const Subcommand& sub, std::string_view display, bool short_form);

// "--long" and, for an option that takes a value, " <arg-name>".
std::string display_form(const Option& option);

// The suggestion lines that follow an unknown option.
std::string did_you_mean(const Paint& paint, std::string_view long_name);
std::string did_you_mean_after(const Paint& paint, std::string_view long_name,
                               std::string_view subcommand);

std::string unknown_argument(const Paint& paint, std::string_view word, std::string_view suggestion,
                             std::string_view usage);
std::string unrecognized_subcommand(const Paint& paint, std::string_view word,
                                    std::string_view suggested, std::string_view display,
                                    std::string_view usage);
std::string help_unrecognized(const Paint& paint, std::string_view word, std::string_view display);
std::string requires_value(const Paint& paint, const Option& option, std::string_view usage);
std::string too_many_values(const Paint& paint, const Option& option, std::string_view value,
                            std::string_view usage);
std::string invalid_value(const Paint& paint, const Option& option, std::string_view error);
std::string more_than_once(const Paint& paint, const Option& option, std::string_view usage);
std::string invalid_utf8(const Paint& paint, std::string_view usage);

}  // namespace quamorsc::argparse::text
