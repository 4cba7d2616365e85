// How the command-line parser classifies and takes apart the words it reads, and the two kinds
// of exit it ends with.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quamorsc/cli/argparse_types.h"

namespace quamorsc::argparse {

bool valid_utf8(std::string_view word);

// "-" followed by anything: a short-option cluster or, with a second "-", a long option.
bool is_option_like(std::string_view word);
bool is_long(std::string_view word);

// The name of a "--name[=value]" word.
std::string_view long_name_of(std::string_view word);

// `s` without the "=" signs it starts with.
std::string_view strip_equals(std::string_view s);

// The value inside a "--name=value" word, when there is one.
std::optional<std::string_view> attached_value(std::string_view word);

// The last component of the program path, as a path library names a file: empty and "."
// components do not count, and ".." or nothing at all names none (then `fallback`).
std::string_view display_name(std::span<const std::string> args, std::string_view fallback);

// A subcommand's long names in the order suggestions try them.
std::vector<std::string_view> long_candidates(const Subcommand& sub);

// Help and version on standard output with `exit_status::kSuccess`; a report on standard error
// with `exit_status::kUsage`.
Exit output(std::string text);
Exit failure(std::string text);

}  // namespace quamorsc::argparse
