// Reading the words that follow a subcommand's name into that subcommand's matches.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "argparse_text.h"
#include "quamorsc/cli/argparse_types.h"

namespace quamorsc::argparse {

// The matches of `sub`'s options, or the exit that the first help, version or error gives: the
// errors met while reading come first, then the checks of the matches at the end.
std::variant<Matches, Exit> read_subcommand(const App& app, const Subcommand& sub,
                                            std::string_view display, const text::Paint& paint,
                                            std::span<const std::string> words);

}  // namespace quamorsc::argparse
