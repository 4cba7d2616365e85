// The grammar that the command-line parser reads by, declared as data (an application with
// subcommands, each with flags and options that take a value or optionally one), and what a
// parse gives: the options' matches, or an exit with its stream, text and status.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <tl/expected.hpp>

namespace quamorsc::argparse {

enum class Kind {
  Flag,           // takes no value
  Value,          // takes exactly one value, which must be given
  OptionalValue,  // takes no value or one
};

// Accepts a value text, or says in one line why not.
using Check = tl::expected<void, std::string> (*)(std::string_view value);

struct Option {
  std::string_view arg_name;  // the key the help screen sorts it by, and its placeholder in <>
  char short_name = '\0';     // '\0' when the option has no short name
  std::string_view long_name;
  Kind kind = Kind::Flag;
  std::string_view help;  // empty when there is none
  Check check = nullptr;  // for Value and OptionalValue
};

struct Subcommand {
  std::string_view name;
  std::string_view about;  // empty when there is none
  std::vector<Option> options;
};

// The application itself has only the automatic help and version flags, and the automatic
// subcommand "help" after the declared ones.
struct App {
  std::string_view name;
  std::string_view version;
  std::vector<Subcommand> subcommands;
};

struct OptionMatch {
  std::size_t occurrences = 0;      // how often the option was named
  std::vector<std::string> values;  // every value it received, in order
};

struct Matches {
  const Subcommand* subcommand = nullptr;
  std::vector<OptionMatch> options;  // one per option of the subcommand, in declaration order
};

struct Exit {
  int fd = 1;  // 1 for help and version, 2 for errors
  std::string text;
  int status = 0;
  friend bool operator==(const Exit&, const Exit&) = default;
};

}  // namespace quamorsc::argparse
