#include "quamorsc/cli/cmd.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "base/debug_text.h"
#include "quamorsc/cli/grammar.h"

namespace quamorsc {
namespace {

using base::Ipv4Addr;
using packet::ospf::AreaId;
using packet::ospf::RouterId;

constexpr const char* kCommon =
    "common: CommonArgs { detail: false, host: None, json_format: false, json_pretty: false, "
    "unsorted: false, show_url: false }";

std::string with_common(const std::string& record, const std::string& fields) {
  return record + " { " + kCommon + ", " + fields + " }";
}

TEST(CmdDebug, System) {
  SystemCmdArgs args;
  EXPECT_EQ(base::to_debug(Cmd{Cmd::System{args}}),
            "System(" + with_common("SystemCmdArgs", "intf_name: None") + ")");
  args.intf_name.emplace();
  EXPECT_EQ(base::to_debug(args), with_common("SystemCmdArgs", "intf_name: Some(None)"));
  args.intf_name->emplace("eth0");
  EXPECT_EQ(base::to_debug(args), with_common("SystemCmdArgs", "intf_name: Some(Some(\"eth0\"))"));
  args.intf_name->emplace("a\"b\\c'd\te");
  EXPECT_EQ(base::to_debug(args),
            with_common("SystemCmdArgs", "intf_name: Some(Some(\"a\\\"b\\\\c\\'d\\te\"))"));
}

TEST(CmdDebug, BgpAndCommonFields) {
  BgpCmdArgs args;
  args.neigh_id.emplace(Ipv4Addr{{10, 0, 0, 2}});
  EXPECT_EQ(base::to_debug(Cmd{Cmd::Bgp{args}}),
            "Bgp(" + with_common("BgpCmdArgs", "neigh_id: Some(Some(10.0.0.2))") + ")");
  BgpCmdArgs remote;
  remote.common.json_format = true;
  remote.common.host = "r1";
  remote.common.detail = true;
  remote.common.json_pretty = true;
  remote.common.unsorted = true;
  remote.common.show_url = true;
  EXPECT_EQ(base::to_debug(remote),
            "BgpCmdArgs { common: CommonArgs { detail: true, host: Some(\"r1\"), json_format: "
            "true, json_pretty: true, unsorted: true, show_url: true }, neigh_id: None }");
}

TEST(CmdDebug, OspfV2) {
  OspfV2CmdArgs args;
  args.area_id.emplace(AreaId::from(1));
  args.neigh_id.emplace();
  EXPECT_EQ(base::to_debug(Cmd{Cmd::OspfV2{args}}),
            "OspfV2(OspfV2CmdArgs { common: CommonArgs { detail: false, host: None, json_format: "
            "false, json_pretty: false, unsorted: false, show_url: false }, ls_db: false, "
            "network_routes: None, router_routes: None, area_id: Some(Some(AreaId(0.0.0.1))), "
            "intf_name: None, neigh_id: Some(None) })");

  OspfV2CmdArgs lsdb;
  lsdb.ls_db = true;
  lsdb.router_routes.emplace(RouterId{Ipv4Addr{{1, 1, 1, 1}}});
  lsdb.network_routes.emplace(base::Ipv4Network{Ipv4Addr{{10, 1, 2, 3}}, 8});
  lsdb.intf_name.emplace("");
  lsdb.neigh_id.emplace(RouterId{Ipv4Addr{{2, 2, 2, 2}}});
  EXPECT_EQ(base::to_debug(lsdb),
            with_common("OspfV2CmdArgs",
                        "ls_db: true, network_routes: Some(Some(Ipv4Network { addr: 10.1.2.3, "
                        "prefix: 8 })), router_routes: Some(Some(RouterId(1.1.1.1))), area_id: "
                        "None, intf_name: Some(Some(\"\")), neigh_id: "
                        "Some(Some(RouterId(2.2.2.2)))"));
}

TEST(CmdDebug, RibWithEitherNetwork) {
  RibCmdArgs args;
  args.network.emplace(base::Ipv4Network{Ipv4Addr{{10, 1, 2, 3}}, 8});
  EXPECT_EQ(base::to_debug(Cmd{Cmd::Rib{args}}),
            "Rib(" +
                with_common("RibCmdArgs",
                            "network: Some(Some(V4(Ipv4Network { addr: 10.1.2.3, prefix: 8 }))), "
                            "origin: None") +
                ")");
  RibCmdArgs origin_only;
  origin_only.origin = "kernel";
  EXPECT_EQ(base::to_debug(origin_only),
            with_common("RibCmdArgs", "network: None, origin: Some(\"kernel\")"));
}

base::Ipv6Addr v6(std::array<std::uint16_t, 8> groups) {
  base::Ipv6Addr addr;
  for (std::size_t i = 0; i < 8; ++i) {
    addr.octets[2 * i] = static_cast<std::uint8_t>(groups[i] >> 8);
    addr.octets[2 * i + 1] = static_cast<std::uint8_t>(groups[i]);
  }
  return addr;
}

TEST(CmdDebug, Ipv6AddressText) {
  struct Case {
    std::array<std::uint16_t, 8> groups;
    const char* text;
  };
  for (const auto& c : {
           Case{{0, 0, 0, 0, 0, 0, 0, 0}, "::"},
           Case{{0, 0, 0, 0, 0, 0, 0, 1}, "::1"},
           Case{{0, 0, 0, 0, 0, 0, 0x0a00, 0x0001}, "::10.0.0.1"},
           Case{{0, 0, 0, 0, 0, 0, 0, 2}, "::0.0.0.2"},
           Case{{0, 0, 0, 0, 0, 0xffff, 0x0a00, 0x0001}, "::ffff:10.0.0.1"},
           Case{{0x2001, 0xdb8, 0, 0, 0, 0, 0, 0}, "2001:db8::"},
           Case{{0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}, "2001:db8::1"},
           Case{{1, 0, 0, 1, 0, 0, 0, 1}, "1:0:0:1::1"},
           Case{{1, 0, 0, 2, 0, 0, 3, 4}, "1::2:0:0:3:4"},
           Case{{1, 0, 2, 3, 4, 5, 6, 7}, "1:0:2:3:4:5:6:7"},
           Case{{0, 0, 0, 0, 0, 1, 0, 0}, "::1:0:0"},
           Case{{0xabcd, 0xef01, 0x2345, 0x6789, 0xabcd, 0xef01, 0x2345, 0x6789},
                "abcd:ef01:2345:6789:abcd:ef01:2345:6789"},
       }) {
    RibCmdArgs args;
    args.network.emplace(base::Ipv6Network{v6(c.groups), 64});
    EXPECT_EQ(base::to_debug(args),
              with_common("RibCmdArgs", std::string("network: Some(Some(V6(Ipv6Network { addr: ") +
                                            c.text + ", prefix: 64 }))), origin: None"));
  }
}

// An option added to a record and the grammar but left out of the debug text would vanish from
// the parsed-command record without a word; so would a field the debug text names but no option
// fills, or a record field that nothing on the command line can reach.

// Converts to any field type, so that a record can be brace-initialised with as many as it has.
struct AnyField {
  template <class T>
  operator T() const {
    return T{};
  }
};

template <class Record, std::size_t... I>
constexpr bool takes_initialisers(std::index_sequence<I...> /*count*/) {
  return requires {
    Record{(void(I), AnyField{})...};
  };
}

template <class Record, std::size_t N = 0>
constexpr std::size_t field_count() {
  if constexpr (takes_initialisers<Record>(std::make_index_sequence<N + 1>{})) {
    return field_count<Record, N + 1>();
  } else {
    return N;
  }
}

// Every "name: " in a debug text; the records' defaults hold no text that could look like one.
std::set<std::string> labels(const std::string& text) {
  static const std::regex label("([a-z_]+): ");
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), label);
       it != std::sregex_iterator(); ++it) {
    found.insert((*it)[1]);
  }
  return found;
}

// The label of the field in which `given` first differs from `none`, or "" when that place is not
// the start of a field's value.
std::string differing_field(const std::string& none, const std::string& given) {
  std::size_t at = 0;
  while (at < none.size() && at < given.size() && none[at] == given[at]) {
    ++at;
  }
  static const std::regex field_start("(?:\\{ |, )([a-z_]+): $");
  std::smatch m;
  const std::string before = none.substr(0, at);
  return std::regex_search(before, m, field_start) ? m[1].str() : std::string();
}

// The ways an option can be given: a flag once, a value option with a value, an optional-value
// option bare and with a value. Every option of the grammar accepts this value.
std::vector<argparse::OptionMatch> given_forms(const argparse::Option& option) {
  const argparse::OptionMatch bare{.occurrences = 1, .values = {}};
  const argparse::OptionMatch valued{.occurrences = 1, .values = {"10.1.1.1"}};
  switch (option.kind) {
    case argparse::Kind::Flag:
      return {bare};
    case argparse::Kind::Value:
      return {valued};
    case argparse::Kind::OptionalValue:
      return {bare, valued};
  }
  return {};
}

TEST(CmdDebug, EveryOptionOfTheGrammarHasItsOwnField) {
  for (const argparse::Subcommand& sub : grammar().subcommands) {
    SCOPED_TRACE(std::string(sub.name));
    const argparse::Matches nothing{&sub, std::vector<argparse::OptionMatch>(sub.options.size())};
    const Cmd plain = read_back(nothing);
    const std::string plain_text = base::to_debug(plain);

    std::set<std::string> filled{"common"};
    for (std::size_t i = 0; i < sub.options.size(); ++i) {
      const argparse::Option& option = sub.options[i];
      SCOPED_TRACE("--" + std::string(option.long_name));
      std::set<std::string> fields_of_option;
      for (const argparse::OptionMatch& form : given_forms(option)) {
        if (!form.values.empty()) {
          ASSERT_TRUE(option.check(form.values.front())) << "pick a value this option accepts";
        }
        argparse::Matches given = nothing;
        given.options[i] = form;
        const Cmd cmd = read_back(given);
        ASSERT_NE(cmd, plain) << "the option fills no field";
        const std::string field = differing_field(plain_text, base::to_debug(cmd));
        if (field.empty()) {
          ADD_FAILURE() << "the debug text does not show the field:\n" << plain_text;
        } else {
          fields_of_option.insert(field);
        }
      }
      EXPECT_LE(fields_of_option.size(), 1U) << "the forms of one option show in different fields";
      for (const std::string& field : fields_of_option) {
        EXPECT_FALSE(filled.contains(field)) << "two options show in one field: " << field;
        filled.insert(field);
      }
    }
    // No field in the debug text that no option fills...
    EXPECT_EQ(labels(plain_text), filled);
    // ...and no field in the record that neither shows.
    std::visit(
        [&](const auto& alternative) {
          using Args = decltype(alternative.args);
          EXPECT_EQ(sub.options.size() + 1, field_count<CommonArgs>() + field_count<Args>());
        },
        plain.value);
  }
}

}  // namespace
}  // namespace quamorsc
