// Reading the process arguments into a `Cmd` by quamorsc's grammar: either the `Cmd`, or an exit
// with its stream, exact text and status (help, version, every command-line error).
#pragma once

#include <span>
#include <string>
#include <variant>

#include "quamorsc/cli/argparse.h"
#include "quamorsc/cli/cmd.h"

namespace quamorsc {

// `args` holds every process argument, the program path first. `colour` is whether error reports
// may be coloured (standard error a terminal and TERM not "dumb").
std::variant<Cmd, argparse::Exit> parse_args(std::span<const std::string> args, bool colour);

// Parses the process arguments; writes the exit text and ends the process when there is one.
Cmd from_args(int argc, char** argv);

}  // namespace quamorsc
