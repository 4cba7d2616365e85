// What is wrong with a subcommand's options as a whole, once every word has been read.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "argparse_text.h"
#include "quamorsc/cli/argparse_types.h"

namespace quamorsc::argparse {

// The checks once every word has been read: value counts, then value checks, then repetition,
// option by option in declaration order; nothing when all pass.
std::optional<Exit> check_matches(const Subcommand& sub, const std::vector<OptionMatch>& matches,
                                  std::string_view display, const text::Paint& paint);

}  // namespace quamorsc::argparse
