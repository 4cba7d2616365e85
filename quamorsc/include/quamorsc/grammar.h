// quamorsc's command line declared as data for the argument parser, and the reading of a
// successful parse back into the `Cmd` records.
#pragma once

#include "quamorsc/argparse.h"
#include "quamorsc/cmd.h"

namespace quamorsc {

// The application "quamorsc" 20.0.5 with the subcommands system, bgp, ospfv2 and ribv4.
const argparse::App& grammar();

// `matches` must come from parsing by `grammar()`: every value has passed its check.
Cmd read_back(const argparse::Matches& matches);

}  // namespace quamorsc
