#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "quamorsc/cli/cli.h"
#include "quamorsc/cli/grammar.h"
#include "quamorsc/cli/value_checks.h"
#include "quamorsc/request/builders.h"
#include "zurozivo/op_cmd.h"

namespace quamorsc {
namespace {

// An option can be declared, parsed into its record field and shown in the record's debug text,
// and still be dropped by the builder: the run then sends the same request as without it and
// ends well. So every option of the grammar must change what is sent, the local socket's JSON
// text or the REST path, unless it is named here.

using Words = std::vector<std::string>;

// By long name: options that steer only the client (where the request goes, or that it is only
// shown), so the request itself stays the same. The grammar does not list --help and --version.
const std::vector<std::string_view> kClientOnly = {"host", "show-url"};

// The options that the rules between options want beside one that cannot be given alone, and
// the rule that wants them.
struct Companions {
  std::string_view subcommand;
  std::string_view option;  // long name
  Words words;
};
const std::vector<Companions> kCompanions = {
    // "Interface information requires an Area"
    {"ospfv2", "intf", {"--area", "0"}},
    // "Neigh information requires an Interface", "... requires an Area"
    {"ospfv2", "neigh", {"--area", "0", "--intf", "eth0"}},
    // "RIB: No prefixes requested, but prefix origin has been specified"
    {"ribv4", "origin", {"--prefix", "10.0.0.0/8"}},
};

// Two different values that options of one value kind accept. The check names the kind; free
// text is no single kind (an origin is one of two words, an interface any name), so its values
// go by the option's value name.
struct ValueKind {
  argparse::Check check;
  std::string_view value_name;  // empty: every option with this check
  std::string one;
  std::string other;
};
const std::vector<ValueKind> kValueKinds = {
    {check_ipv4_addr, "", "10.0.0.1", "10.0.0.2"},
    {check_router_id, "", "1.1.1.1", "2.2.2.2"},
    {check_area_id, "", "0", "0.0.0.1"},
    {check_ipv4_network, "", "10.0.0.0/8", "192.168.0.0/16"},
    {check_ip_network, "", "10.0.0.0/8", "192.168.0.0/16"},
    {check_text, "intf-name", "eth0", "eth1"},
    {check_text, "origin", "kernel", "ospfv2"},
};

bool contains(const std::vector<std::string_view>& names, std::string_view name) {
  for (std::string_view n : names) {
    if (n == name) {
      return true;
    }
  }
  return false;
}

const Companions* companions_of(const argparse::Subcommand& sub, const argparse::Option& option) {
  for (const Companions& c : kCompanions) {
    if (c.subcommand == sub.name && c.option == option.long_name) {
      return &c;
    }
  }
  return nullptr;
}

const ValueKind* value_kind_of(const argparse::Option& option) {
  for (const ValueKind& kind : kValueKinds) {
    if (kind.check == option.check &&
        (kind.value_name.empty() || kind.value_name == option.arg_name)) {
      return &kind;
    }
  }
  return nullptr;
}

std::string shown(const Words& words) {
  std::string out;
  for (const std::string& word : words) {
    out += (out.empty() ? "" : " ") + word;
  }
  return out;
}

// What the run sends for these words after the subcommand's name, in both ways it can send it;
// or why it sends nothing.
struct Sent {
  std::string json;
  std::string path;
};

std::variant<Sent, std::string> sent(const argparse::Subcommand& sub, const Words& words) {
  Words args{"quamorsc", std::string(sub.name)};
  args.insert(args.end(), words.begin(), words.end());
  auto parsed = parse_args(args, false);
  if (const auto* exit = std::get_if<argparse::Exit>(&parsed)) {
    return "the command line is refused: " + exit->text;
  }
  auto built = op_cmd_of(std::get<Cmd>(parsed));
  if (!built) {
    return "the rules refuse it: " + built.error();
  }
  return Sent{zurozivo::op_cmd::to_json_text(*built), built->gen_url()};
}

std::string text_of(const std::variant<Sent, std::string>& outcome) {
  if (const auto* s = std::get_if<Sent>(&outcome)) {
    return s->json + " and path '" + s->path + "'";
  }
  return std::get<std::string>(outcome);
}

TEST(OptionReach, EveryOptionChangesTheRequestOrOnlySteersTheClient) {
  for (const argparse::Subcommand& sub : grammar().subcommands) {
    for (const argparse::Option& option : sub.options) {
      const std::string name = "--" + std::string(option.long_name);
      SCOPED_TRACE(std::string(sub.name) + " " + name);
      if (contains(kClientOnly, option.long_name)) {
        continue;
      }
      const Companions* companions = companions_of(sub, option);
      const Words needed = companions ? companions->words : Words{};

      // Bare where it may be, else with a value; a value must change the request too.
      Words given = needed;
      given.push_back(name);
      std::optional<Words> one;
      std::optional<Words> other;
      if (option.kind != argparse::Kind::Flag) {
        const ValueKind* kind = value_kind_of(option);
        if (kind == nullptr) {
          ADD_FAILURE() << "no value known for " << name << " <" << option.arg_name
                        << ">: add its kind to kValueKinds";
          continue;
        }
        ASSERT_TRUE(option.check(kind->one)) << kind->one;
        ASSERT_TRUE(option.check(kind->other)) << kind->other;
        one = given;
        one->push_back(kind->one);
        other = given;
        other->push_back(kind->other);
        if (option.kind == argparse::Kind::Value) {
          given = *one;
        }
      }

      const auto without = sent(sub, needed);
      if (!std::holds_alternative<Sent>(without)) {
        ADD_FAILURE() << "the companions '" << shown(needed) << "' send nothing, "
                      << text_of(without);
        continue;
      }
      const auto with = sent(sub, given);
      if (!std::holds_alternative<Sent>(with)) {
        ADD_FAILURE() << "'" << shown(given) << "' sends nothing, " << text_of(with)
                      << "\nif the rules want other options beside " << name
                      << ", add them to kCompanions";
        continue;
      }
      EXPECT_NE(text_of(with), text_of(without))
          << name << " reaches neither the operational command nor the REST path: '" << shown(given)
          << "' sends the same as " << (needed.empty() ? "without it" : "'" + shown(needed) + "'");
      if (one && other) {
        const auto with_one = sent(sub, *one);
        const auto with_other = sent(sub, *other);
        EXPECT_TRUE(std::holds_alternative<Sent>(with_one)) << text_of(with_one);
        EXPECT_TRUE(std::holds_alternative<Sent>(with_other)) << text_of(with_other);
        EXPECT_NE(text_of(with_one), text_of(with_other))
            << "the value of " << name << " reaches neither the operational command nor the "
            << "REST path: '" << shown(*one) << "' sends the same as '" << shown(*other) << "'";
      }
      if (companions != nullptr) {
        Words alone{name};
        if (option.kind == argparse::Kind::Value) {
          alone.push_back(one->back());
        }
        EXPECT_FALSE(std::holds_alternative<Sent>(sent(sub, alone)))
            << name << " is accepted alone: drop its entry from kCompanions";
      }
    }
  }
}

// A name in the tables that the grammar no longer has would be an exception or a companion that
// nothing needs, and would wait to cover a later option of that name.
TEST(OptionReach, TheTablesNameOptionsOfTheGrammar) {
  const auto declared = [](std::string_view subcommand, std::string_view long_name) {
    for (const argparse::Subcommand& sub : grammar().subcommands) {
      for (const argparse::Option& option : sub.options) {
        if ((subcommand.empty() || sub.name == subcommand) && option.long_name == long_name) {
          return true;
        }
      }
    }
    return false;
  };
  for (std::string_view name : kClientOnly) {
    EXPECT_TRUE(declared("", name)) << "--" << name;
  }
  for (const Companions& c : kCompanions) {
    EXPECT_TRUE(declared(c.subcommand, c.option)) << c.subcommand << " --" << c.option;
  }
}

}  // namespace
}  // namespace quamorsc
