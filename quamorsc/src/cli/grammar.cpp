#include "quamorsc/cli/grammar.h"

#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "quamorsc/cli/value_checks.h"
#include "quamorsc/process/startup.h"
#include "quamorsc/process/version.h"

namespace quamorsc {

namespace {

using argparse::Kind;
using argparse::Option;
using argparse::OptionMatch;

// One option of the record `Args`: how it is written on the command line, and how its match
// fills the field it stands for.
template <class Args>
struct Field {
  Option option;
  void (*fill)(Args& args, const OptionMatch& match);
};

template <class MemberPointer>
struct MemberOf;
template <class Class, class T>
struct MemberOf<T Class::*> {
  using Record = Class;
  using Type = T;
};
template <auto Member>
using RecordOf = typename MemberOf<decltype(Member)>::Record;
template <auto Member>
using TypeOf = typename MemberOf<decltype(Member)>::Type;

template <auto Member>
Field<RecordOf<Member>> flag(std::string_view arg_name, char short_name, std::string_view long_name,
                             std::string_view help) {
  static_assert(std::is_same_v<TypeOf<Member>, bool>);
  return {Option{arg_name, short_name, long_name, Kind::Flag, help, nullptr},
          [](RecordOf<Member>& args, const OptionMatch& match) {
            args.*Member = match.occurrences > 0;
          }};
}

template <auto Member>
Field<RecordOf<Member>> value(std::string_view arg_name, char short_name,
                              std::string_view long_name, std::string_view help,
                              argparse::Check check) {
  static_assert(std::is_same_v<TypeOf<Member>, std::optional<std::string>>);
  return {Option{arg_name, short_name, long_name, Kind::Value, help, check},
          [](RecordOf<Member>& args, const OptionMatch& match) {
            if (match.occurrences > 0 && !match.values.empty()) {
              args.*Member = match.values.front();
            }
          }};
}

tl::expected<std::string, std::string> text_value(std::string_view text) {
  return std::string(text);
}

// `Parse` is the parse behind `check`, so it cannot fail on a value that reaches it.
template <auto Member, auto Parse>
Field<RecordOf<Member>> optional_value(std::string_view arg_name, char short_name,
                                       std::string_view long_name, std::string_view help,
                                       argparse::Check check) {
  using Parsed = typename std::invoke_result_t<decltype(Parse), std::string_view>::value_type;
  static_assert(std::is_same_v<TypeOf<Member>, TwoLevel<Parsed>>);
  return {Option{arg_name, short_name, long_name, Kind::OptionalValue, help, check},
          [](RecordOf<Member>& args, const OptionMatch& match) {
            if (match.occurrences == 0) {
              return;
            }
            auto& field = args.*Member;
            field.emplace();
            if (!match.values.empty()) {
              if (auto parsed = Parse(match.values.front())) {
                field->emplace(*std::move(parsed));
              }
            }
          }};
}

// The options every subcommand starts with.
const std::vector<Field<CommonArgs>>& common_fields() {
  static const std::vector<Field<CommonArgs>> fields{
      flag<&CommonArgs::detail>("detail", 'd', "detail", ""),
      value<&CommonArgs::host>("host", 'H', "host",
                               "Target Host (Remote connection using REST API)", check_text),
      flag<&CommonArgs::json_format>("json-format", 'J', "json", "Output in JSON"),
      flag<&CommonArgs::json_pretty>("json-pretty", 'j', "json-pretty",
                                     "Output in Pretty Print JSON"),
      flag<&CommonArgs::unsorted>("unsorted", 'u', "unsorted", "Output in unsorted order"),
      flag<&CommonArgs::show_url>("show-url", '\0', "show-url",
                                  "Show the target REST API URL and then exit"),
  };
  return fields;
}

// Each record's own options, after the common ones.
const std::vector<Field<SystemCmdArgs>>& own_fields(std::type_identity<SystemCmdArgs> /*record*/) {
  static const std::vector<Field<SystemCmdArgs>> fields{
      optional_value<&SystemCmdArgs::intf_name, text_value>(
          "intf-name", 'i', "intf", "Kernel sourced interface with [<name>], no <name> means all",
          check_text),
  };
  return fields;
}

const std::vector<Field<BgpCmdArgs>>& own_fields(std::type_identity<BgpCmdArgs> /*record*/) {
  static const std::vector<Field<BgpCmdArgs>> fields{
      optional_value<&BgpCmdArgs::neigh_id, parse_ipv4_addr>(
          "neigh-router-ipv4", 'n', "neigh", "BGPv4 neighbor information", check_ipv4_addr),
  };
  return fields;
}

const std::vector<Field<OspfV2CmdArgs>>& own_fields(std::type_identity<OspfV2CmdArgs> /*record*/) {
  static const std::vector<Field<OspfV2CmdArgs>> fields{
      flag<&OspfV2CmdArgs::ls_db>("ls-db", 'l', "lsdb",
                                  "Link State Database => AS LSDB, or with -a <n> => Area LSDB"),
      optional_value<&OspfV2CmdArgs::network_routes, base::parse_ipv4_network>(
          "ipv4-net", 'p', "prefix-network", "OSPFv2 network routes", check_ipv4_network),
      optional_value<&OspfV2CmdArgs::router_routes, parse_router_id>(
          "router-id", 'P', "prefix-router", "OSPFv2 router routes", check_router_id),
      optional_value<&OspfV2CmdArgs::area_id, parse_area_id>(
          "n", 'a', "area", "OSPFv2 Area Id in u32 or dotted decimal format", check_area_id),
      optional_value<&OspfV2CmdArgs::intf_name, text_value>(
          "intf-name", 'i', "intf", "OSPFv2 interface information", check_text),
      optional_value<&OspfV2CmdArgs::neigh_id, parse_router_id>(
          "neigh-router-id", 'n', "neigh", "OSPFv2 neighbor information", check_router_id),
  };
  return fields;
}

const std::vector<Field<RibCmdArgs>>& own_fields(std::type_identity<RibCmdArgs> /*record*/) {
  static const std::vector<Field<RibCmdArgs>> fields{
      optional_value<&RibCmdArgs::network, base::parse_ip_network>(
          "network", 'p', "prefix", "IPv4 a.b.c.d/n or IPv6 a:b:c::d/n", check_ip_network),
      value<&RibCmdArgs::origin>("origin", 'o', "origin",
                                 "Routes that match this origin: eg kernel, ospfv2", check_text),
  };
  return fields;
}

template <class Args>
void append_options(std::vector<Option>& options, const std::vector<Field<Args>>& fields) {
  for (const Field<Args>& field : fields) {
    options.push_back(field.option);
  }
}

template <class Args>
void fill(Args& args, const std::vector<Field<Args>>& fields,
          std::span<const OptionMatch> matches) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    fields[i].fill(args, matches[i]);
  }
}

// `Alternative` is one of the `Cmd` alternatives, whose record the subcommand fills.
template <class Alternative>
using ArgsOf = decltype(Alternative::args);

template <class Alternative>
Cmd read(std::span<const OptionMatch> matches) {
  const auto& common = common_fields();
  const auto& own = own_fields(std::type_identity<ArgsOf<Alternative>>{});
  if (matches.size() != common.size() + own.size()) {
    startup::internal_fault("command-line matches do not fit the grammar");
  }
  Alternative alternative;
  fill(alternative.args.common, common, matches.first(common.size()));
  fill(alternative.args, own, matches.subspan(common.size()));
  return Cmd{std::move(alternative)};
}

struct Declared {
  argparse::Subcommand syntax;
  Cmd (*read)(std::span<const OptionMatch> matches);
};

template <class Alternative>
Declared subcommand(std::string_view name) {
  Declared declared{argparse::Subcommand{name, "", {}}, &read<Alternative>};
  append_options(declared.syntax.options, common_fields());
  append_options(declared.syntax.options, own_fields(std::type_identity<ArgsOf<Alternative>>{}));
  return declared;
}

// In the order the help screen lists them.
const std::vector<Declared>& subcommands() {
  static const std::vector<Declared> all{
      subcommand<Cmd::System>("system"),
      subcommand<Cmd::Bgp>("bgp"),
      subcommand<Cmd::OspfV2>("ospfv2"),
      subcommand<Cmd::Rib>("ribv4"),
  };
  return all;
}

argparse::App declare() {
  argparse::App app{"quamorsc", kVersion, {}};
  for (const Declared& declared : subcommands()) {
    app.subcommands.push_back(declared.syntax);
  }
  return app;
}

}  // namespace

const argparse::App& grammar() {
  static const argparse::App app = declare();
  return app;
}

Cmd read_back(const argparse::Matches& matches) {
  const auto& declared = grammar().subcommands;
  for (std::size_t i = 0; i < declared.size(); ++i) {
    if (&declared[i] == matches.subcommand) {
      return subcommands()[i].read(matches.options);
    }
  }
  startup::internal_fault("command-line matches do not come from the grammar");
}

}  // namespace quamorsc
