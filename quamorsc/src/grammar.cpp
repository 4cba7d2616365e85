#include "quamorsc/grammar.h"

#include <type_traits>
#include <utility>
#include <vector>

#include "quamorsc/value_checks.h"

namespace quamorsc {

namespace {

using argparse::Kind;
using argparse::Option;

constexpr Option flag(std::string_view arg_name, char short_name, std::string_view long_name,
                      std::string_view help) {
  return Option{arg_name, short_name, long_name, Kind::Flag, help, nullptr};
}

constexpr Option value(std::string_view arg_name, char short_name, std::string_view long_name,
                       std::string_view help, argparse::Check check) {
  return Option{arg_name, short_name, long_name, Kind::Value, help, check};
}

constexpr Option optional_value(std::string_view arg_name, char short_name,
                                std::string_view long_name, std::string_view help,
                                argparse::Check check) {
  return Option{arg_name, short_name, long_name, Kind::OptionalValue, help, check};
}

// The options every subcommand starts with, followed by its own.
std::vector<Option> with_common(std::vector<Option> own) {
  std::vector<Option> options{
      flag("detail", 'd', "detail", ""),
      value("host", 'H', "host", "Target Host (Remote connection using REST API)", check_text),
      flag("json-format", 'J', "json", "Output in JSON"),
      flag("json-pretty", 'j', "json-pretty", "Output in Pretty Print JSON"),
      flag("unsorted", 'u', "unsorted", "Output in unsorted order"),
      flag("show-url", '\0', "show-url", "Show the target REST API URL and then exit"),
  };
  options.insert(options.end(), own.begin(), own.end());
  return options;
}

argparse::App declare() {
  return argparse::App{
      "quamorsc",
      "20.0.5",
      {
          {"system", "",
           with_common({
               optional_value("intf-name", 'i', "intf",
                              "Kernel sourced interface with [<name>], no <name> means all",
                              check_text),
           })},
          {"bgp", "",
           with_common({
               optional_value("neigh-router-ipv4", 'n', "neigh", "BGPv4 neighbor information",
                              check_ipv4_addr),
           })},
          {"ospfv2", "",
           with_common({
               flag("ls-db", 'l', "lsdb",
                    "Link State Database => AS LSDB, or with -a <n> => Area LSDB"),
               optional_value("ipv4-net", 'p', "prefix-network", "OSPFv2 network routes",
                              check_ipv4_network),
               optional_value("router-id", 'P', "prefix-router", "OSPFv2 router routes",
                              check_router_id),
               optional_value("n", 'a', "area", "OSPFv2 Area Id in u32 or dotted decimal format",
                              check_area_id),
               optional_value("intf-name", 'i', "intf", "OSPFv2 interface information", check_text),
               optional_value("neigh-router-id", 'n', "neigh", "OSPFv2 neighbor information",
                              check_router_id),
           })},
          {"ribv4", "",
           with_common({
               optional_value("network", 'p', "prefix", "IPv4 a.b.c.d/n or IPv6 a:b:c::d/n",
                              check_ip_network),
               value("origin", 'o', "origin", "Routes that match this origin: eg kernel, ospfv2",
                     check_text),
           })},
      }};
}

// Reads one option of the matches into its field by the option's kind.
class Reader {
 public:
  explicit Reader(const argparse::Matches& matches) : matches_(matches) {}

  bool flag(std::string_view arg_name) const { return matches_.option(arg_name).occurrences > 0; }

  std::optional<std::string> value(std::string_view arg_name) const {
    const auto& match = matches_.option(arg_name);
    if (match.occurrences == 0 || match.values.empty()) {
      return std::nullopt;
    }
    return match.values.front();
  }

  // `parse` is the parse behind the option's check, so it cannot fail here.
  template <class Parse>
  auto optional_value(std::string_view arg_name, Parse parse) const {
    using T = typename std::invoke_result_t<Parse, std::string_view>::value_type;
    const auto& match = matches_.option(arg_name);
    TwoLevel<T> out;
    if (match.occurrences == 0) {
      return out;
    }
    out.emplace();
    if (!match.values.empty()) {
      if (auto parsed = parse(match.values.front())) {
        out->emplace(*std::move(parsed));
      }
    }
    return out;
  }

  TwoLevel<std::string> optional_text(std::string_view arg_name) const {
    return optional_value(arg_name, [](std::string_view text) {
      return tl::expected<std::string, std::string>(std::string(text));
    });
  }

  CommonArgs common() const {
    return CommonArgs{flag("detail"),      value("host"),    flag("json-format"),
                      flag("json-pretty"), flag("unsorted"), flag("show-url")};
  }

 private:
  const argparse::Matches& matches_;
};

}  // namespace

const argparse::App& grammar() {
  static const argparse::App app = declare();
  return app;
}

Cmd read_back(const argparse::Matches& matches) {
  const Reader r(matches);
  const std::string_view name = matches.subcommand->name;
  if (name == "system") {
    return Cmd{Cmd::System{SystemCmdArgs{r.common(), r.optional_text("intf-name")}}};
  }
  if (name == "bgp") {
    return Cmd{
        Cmd::Bgp{BgpCmdArgs{r.common(), r.optional_value("neigh-router-ipv4", parse_ipv4_addr)}}};
  }
  if (name == "ospfv2") {
    return Cmd{Cmd::OspfV2{OspfV2CmdArgs{
        r.common(),
        r.flag("ls-db"),
        r.optional_value("ipv4-net", base::parse_ipv4_network),
        r.optional_value("router-id", parse_router_id),
        r.optional_value("n", parse_area_id),
        r.optional_text("intf-name"),
        r.optional_value("neigh-router-id", parse_router_id),
    }}};
  }
  return Cmd{Cmd::Rib{RibCmdArgs{r.common(), r.optional_value("network", base::parse_ip_network),
                                 r.value("origin")}}};
}

}  // namespace quamorsc
