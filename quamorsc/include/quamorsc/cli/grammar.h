// quamorsc's command line declared as data. Each subcommand is declared once, with its options,
// and each option together with the record field its value fills: the same declaration builds the
// help screens and reads a successful parse back into the `Cmd`.
#pragma once

#include "quamorsc/cli/argparse.h"
#include "quamorsc/cli/cmd.h"

namespace quamorsc {

// The application "quamorsc" with the subcommands system, bgp, ospfv2 and ribv4.
const argparse::App& grammar();

// The `Cmd` that `matches` stand for. `matches` must come from parsing by `grammar()`, so that
// every value has passed its check; anything else ends the process as an internal fault.
Cmd read_back(const argparse::Matches& matches);

}  // namespace quamorsc
