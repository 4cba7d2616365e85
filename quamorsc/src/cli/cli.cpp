#include "quamorsc/cli/cli.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "quamorsc/cli/grammar.h"
#include "quamorsc/process/io.h"

namespace quamorsc {

namespace {

// Error reports are coloured on a terminal whose TERM is not "dumb"; an unset TERM is not.
bool stderr_wants_colour() {
  if (::isatty(2) == 0) {
    return false;
  }
  const char* term = std::getenv("TERM");
  return term == nullptr || std::strcmp(term, "dumb") != 0;
}

}  // namespace

std::variant<Cmd, argparse::Exit> parse_args(std::span<const std::string> args, bool colour) {
  auto parsed = argparse::parse(grammar(), args, colour);
  if (auto* exit = std::get_if<argparse::Exit>(&parsed)) {
    return std::move(*exit);
  }
  return read_back(std::get<argparse::Matches>(parsed));
}

Cmd from_args(int argc, char** argv) {
  std::vector<std::string> args;
  args.reserve(argc > 0 ? static_cast<std::size_t>(argc) : 0);
  for (int i = 0; i < argc; ++i) {
    args.emplace_back(argv[i]);
  }
  auto parsed = parse_args(args, stderr_wants_colour());
  if (auto* cmd = std::get_if<Cmd>(&parsed)) {
    return std::move(*cmd);
  }
  const auto& exit = std::get<argparse::Exit>(parsed);
  if (exit.fd == 1) {
    io::print_or_exit(exit.text);
  } else {
    io::write_stderr(exit.text);
  }
  io::exit(exit.status);
}

}  // namespace quamorsc
