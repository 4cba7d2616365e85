// A small command-line parser driven by a grammar declared as data (argparse_types.h). It splits
// the words, records the options, runs their value checks and composes help screens, version
// lines and error reports; the result is either the matches or an exit (stream, text, status).
#pragma once

#include <span>
#include <string>
#include <variant>

#include "quamorsc/cli/argparse_types.h"

namespace quamorsc::argparse {

// `args` holds every process argument, the program path first. Error reports are coloured when
// `colour` is set; help screens and version lines never are. The matches refer into `app`.
std::variant<Matches, Exit> parse(const App& app, std::span<const std::string> args, bool colour);

}  // namespace quamorsc::argparse
