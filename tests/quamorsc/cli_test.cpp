#include "quamorsc/cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/debug_text.h"
#include "quamorsc/process/version.h"

namespace quamorsc {
namespace {

using Words = std::vector<std::string>;

// The version the build gives the client, which its version lines and help titles show.
const std::string kBuiltVersion(kVersion);

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(QUAMORSC_FIXTURES) + "/help/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::variant<Cmd, argparse::Exit> parse(Words words, bool colour = false,
                                        std::string program = "quamorsc") {
  words.insert(words.begin(), std::move(program));
  return parse_args(words, colour);
}

argparse::Exit exit_from(const std::variant<Cmd, argparse::Exit>& parsed) {
  if (const auto* exit = std::get_if<argparse::Exit>(&parsed)) {
    return *exit;
  }
  ADD_FAILURE() << "parsed into " << base::to_debug(std::get<Cmd>(parsed));
  return {};
}

argparse::Exit exit_of(const Words& words, bool colour = false) {
  return exit_from(parse(words, colour));
}

std::string debug_of(const Words& words) {
  auto parsed = parse(words);
  if (auto* cmd = std::get_if<Cmd>(&parsed)) {
    return base::to_debug(*cmd);
  }
  return "exit: " + std::get<argparse::Exit>(parsed).text;
}

std::string joined(const Words& words) {
  std::string out;
  for (const auto& w : words) {
    out += "[" + w + "]";
  }
  return out;
}

constexpr const char* kCommon =
    "common: CommonArgs { detail: false, host: None, json_format: false, json_pretty: false, "
    "unsorted: false, show_url: false }";

std::string ospf(const std::string& fields) {
  return std::string("OspfV2(OspfV2CmdArgs { ") + kCommon + ", " + fields + " })";
}

TEST(HelpScreens, MatchTheReferenceFiles) {
  struct Case {
    Words words;
    const char* file;
  };
  const std::vector<Case> cases = {
      {{"--help"}, "app.txt"}, {{"-h"}, "app.txt"},       {{"help"}, "app.txt"},
      {{"-hV"}, "app.txt"},    {{"--help=x"}, "app.txt"}, {{"--help", "--version"}, "app.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(exit_of(c.words), (argparse::Exit{1, fixture(c.file), 0})) << joined(c.words);
  }
  for (std::string sub : {"system", "bgp", "ospfv2", "ribv4"}) {
    const argparse::Exit expected{1, fixture(sub + ".txt"), 0};
    for (const Words& words : {Words{sub, "--help"}, Words{sub, "-h"}, Words{"help", sub},
                               Words{sub, "-dh"}, Words{sub, "--host", "-h"}}) {
      EXPECT_EQ(exit_of(words), expected) << joined(words);
    }
  }
}

TEST(HelpScreens, NoSubcommandGivesTheApplicationScreenAsAnError) {
  const argparse::Exit expected{2, fixture("app.txt"), 1};
  EXPECT_EQ(exit_of({}), expected);
  EXPECT_EQ(exit_of({"--"}), expected);
  // Never coloured, even when error reports are.
  EXPECT_EQ(exit_of({}, true), expected);
  EXPECT_EQ(std::get<argparse::Exit>(parse_args(std::vector<std::string>{}, false)), expected);
}

TEST(HelpScreens, VersionLines) {
  std::istringstream lines(fixture("versions.txt"));
  std::string line;
  std::vector<std::string> expected;
  while (std::getline(lines, line)) {
    expected.push_back(line + "\n");
  }
  ASSERT_EQ(expected.size(), 5u);
  for (const Words& words : {Words{"-V"}, Words{"--version"}, Words{"-Vh"}}) {
    EXPECT_EQ(exit_of(words), (argparse::Exit{1, expected[0], 0})) << joined(words);
  }
  const std::vector<std::string> subs = {"system", "bgp", "ospfv2", "ribv4"};
  for (std::size_t i = 0; i < subs.size(); ++i) {
    EXPECT_EQ(exit_of({subs[i], "-V"}), (argparse::Exit{1, expected[i + 1], 0}));
    EXPECT_EQ(exit_of({subs[i], "-d", "--version", "--bogus"}),
              (argparse::Exit{1, expected[i + 1], 0}));
  }
}

TEST(HelpScreens, HelpAndVersionActBeforeAnyValueCheck) {
  EXPECT_EQ(exit_of({"ospfv2", "--area", "x", "--help"}),
            (argparse::Exit{1, fixture("ospfv2.txt"), 0}));
  EXPECT_EQ(exit_of({"ospfv2", "-a", "x", "-a", "y", "-a", "-V"}).status, 0);
  EXPECT_EQ(exit_of({"ribv4", "--origin", "-h"}), (argparse::Exit{1, fixture("ribv4.txt"), 0}));
}

TEST(DisplayName, ComesFromTheLastPathComponent) {
  struct Case {
    std::string program;
    std::string name;
  };
  for (const auto& c :
       {Case{"/usr/local/bin/quamorsc", "quamorsc"}, Case{"./qm", "qm"}, Case{"qm/", "qm"},
        Case{"bin/qm/.", "qm"}, Case{"/", "quamorsc"}, Case{"", "quamorsc"},
        Case{"bin/..", "quamorsc"}, Case{"bin/q\xff", "quamorsc"}, Case{"b\xff/qm", "qm"}}) {
    auto version = std::get<argparse::Exit>(parse({"bgp", "-V"}, false, c.program));
    EXPECT_EQ(version.text, c.name + "-bgp " + kBuiltVersion + "\n") << c.program;
    // The application's own title keeps its fixed name.
    auto help = std::get<argparse::Exit>(parse({"-h"}, false, c.program));
    EXPECT_EQ(help.text.substr(0, help.text.find('\n')), "quamorsc " + kBuiltVersion) << c.program;
    EXPECT_NE(help.text.find("USAGE:\n    " + c.name + " <SUBCOMMAND>\n"), std::string::npos);
  }
  auto sub_help = std::get<argparse::Exit>(parse({"help", "system"}, false, "/opt/qm"));
  const std::string head =
      "qm-system " + kBuiltVersion + "\n\nUSAGE:\n    qm system [FLAGS] [OPTIONS]\n\nFLAGS:\n";
  EXPECT_EQ(sub_help.text.substr(0, head.size()), head);
  auto error = std::get<argparse::Exit>(parse({"ospf"}, false, "/opt/qm"));
  EXPECT_NE(error.text.find("re-running with 'qm -- ospf'"), std::string::npos);
}

TEST(Parsing, BuildsTheRecords) {
  struct Case {
    Words words;
    std::string debug;
  };
  const std::string system_plain =
      std::string("System(SystemCmdArgs { ") + kCommon + ", intf_name: ";
  const std::vector<Case> cases = {
      {{"system"}, system_plain + "None })"},
      {{"system", "--intf"}, system_plain + "Some(None) })"},
      {{"system", "--intf", "eth0"}, system_plain + "Some(Some(\"eth0\")) })"},
      {{"system", "--intf="}, system_plain + "Some(Some(\"\")) })"},
      {{"system", "--intf", ""}, system_plain + "Some(Some(\"\")) })"},
      {{"system", "--intf==eth0"}, system_plain + "Some(Some(\"eth0\")) })"},
      {{"system", "--intf=a=b"}, system_plain + "Some(Some(\"a=b\")) })"},
      {{"system", "-i", "-"}, system_plain + "Some(Some(\"-\")) })"},
      {{"system", "--intf", "--"}, system_plain + "Some(None) })"},
      {{"system", "--"}, system_plain + "None })"},
      {{"system", "-iq\"'\\"}, system_plain + "Some(Some(\"q\\\"\\'\\\\\")) })"},
      {{"system", "-ui", "eth0"},
       "System(SystemCmdArgs { common: CommonArgs { detail: false, host: None, json_format: "
       "false, json_pretty: false, unsorted: true, show_url: false }, intf_name: "
       "Some(Some(\"eth0\")) })"},
      {{"system", "-dJu"},
       "System(SystemCmdArgs { common: CommonArgs { detail: true, host: None, json_format: true, "
       "json_pretty: false, unsorted: true, show_url: false }, intf_name: None })"},
      {{"system", "-dHrouter1"},
       "System(SystemCmdArgs { common: CommonArgs { detail: true, host: Some(\"router1\"), "
       "json_format: false, json_pretty: false, unsorted: false, show_url: false }, intf_name: "
       "None })"},
      {{"bgp", "--json", "--host", "r1", "--show-url", "-j"},
       "Bgp(BgpCmdArgs { common: CommonArgs { detail: false, host: Some(\"r1\"), json_format: "
       "true, json_pretty: true, unsorted: false, show_url: true }, neigh_id: None })"},
      {{"bgp", "--host=-x"},
       "Bgp(BgpCmdArgs { common: CommonArgs { detail: false, host: Some(\"-x\"), json_format: "
       "false, json_pretty: false, unsorted: false, show_url: false }, neigh_id: None })"},
      {{"bgp", "-H-x"},
       "Bgp(BgpCmdArgs { common: CommonArgs { detail: false, host: Some(\"-x\"), json_format: "
       "false, json_pretty: false, unsorted: false, show_url: false }, neigh_id: None })"},
      {{"bgp", "-H="},
       "Bgp(BgpCmdArgs { common: CommonArgs { detail: false, host: Some(\"\"), json_format: "
       "false, json_pretty: false, unsorted: false, show_url: false }, neigh_id: None })"},
      {{"bgp", "--detail=yes"},
       "Bgp(BgpCmdArgs { common: CommonArgs { detail: true, host: None, json_format: false, "
       "json_pretty: false, unsorted: false, show_url: false }, neigh_id: None })"},
      {{"bgp", "--neigh", "10.0.0.2"},
       std::string("Bgp(BgpCmdArgs { ") + kCommon + ", neigh_id: Some(Some(10.0.0.2)) })"},
      {{"bgp", "-n", "010.000.000.001"},
       std::string("Bgp(BgpCmdArgs { ") + kCommon + ", neigh_id: Some(Some(10.0.0.1)) })"},
      {{"bgp", "-n"}, std::string("Bgp(BgpCmdArgs { ") + kCommon + ", neigh_id: Some(None) })"},
      {{"ospfv2", "--area", "1", "--neigh"},
       ospf("ls_db: false, network_routes: None, router_routes: None, area_id: "
            "Some(Some(AreaId(0.0.0.1))), intf_name: None, neigh_id: Some(None)")},
      {{"ospfv2", "--area", "--intf"},
       ospf("ls_db: false, network_routes: None, router_routes: None, area_id: Some(None), "
            "intf_name: Some(None), neigh_id: None")},
      {{"ospfv2", "--area", "1", "--intf", "eth0"},
       ospf("ls_db: false, network_routes: None, router_routes: None, area_id: "
            "Some(Some(AreaId(0.0.0.1))), intf_name: Some(Some(\"eth0\")), neigh_id: None")},
      {{"ospfv2", "--area", "5"},
       ospf("ls_db: false, network_routes: None, router_routes: None, area_id: "
            "Some(Some(AreaId(0.0.0.5))), intf_name: None, neigh_id: None")},
      {{"ospfv2", "-a0.0.0.5"},
       ospf("ls_db: false, network_routes: None, router_routes: None, area_id: "
            "Some(Some(AreaId(0.0.0.5))), intf_name: None, neigh_id: None")},
      {{"ospfv2", "--lsdb", "--prefix-router", "1.1.1.1"},
       ospf("ls_db: true, network_routes: None, router_routes: Some(Some(RouterId(1.1.1.1))), "
            "area_id: None, intf_name: None, neigh_id: None")},
      {{"ospfv2", "-lp10.1.2.3/8", "-n", "2.2.2.2"},
       ospf("ls_db: true, network_routes: Some(Some(Ipv4Network { addr: 10.1.2.3, prefix: 8 })), "
            "router_routes: None, area_id: None, intf_name: None, neigh_id: "
            "Some(Some(RouterId(2.2.2.2)))")},
      {{"ospfv2", "-P", "-p"},
       ospf("ls_db: false, network_routes: Some(None), router_routes: Some(None), area_id: "
            "None, intf_name: None, neigh_id: None")},
      {{"ribv4", "--prefix", "10.1.2.3/8"},
       std::string("Rib(RibCmdArgs { ") + kCommon +
           ", network: Some(Some(V4(Ipv4Network { addr: 10.1.2.3, prefix: 8 }))), origin: None "
           "})"},
      {{"ribv4", "-p", "10.0.0.0", "-o", "kernel"},
       std::string("Rib(RibCmdArgs { ") + kCommon +
           ", network: Some(Some(V4(Ipv4Network { addr: 10.0.0.0, prefix: 32 }))), origin: "
           "Some(\"kernel\") })"},
      {{"ribv4", "--prefix=2001:db8::/32"},
       std::string("Rib(RibCmdArgs { ") + kCommon +
           ", network: Some(Some(V6(Ipv6Network { addr: 2001:db8::, prefix: 32 }))), origin: "
           "None })"},
      {{"ribv4", "--prefix"},
       std::string("Rib(RibCmdArgs { ") + kCommon + ", network: Some(None), origin: None })"},
      {{"ribv4", "--origin", "bogus"},
       std::string("Rib(RibCmdArgs { ") + kCommon + ", network: None, origin: Some(\"bogus\") })"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(debug_of(c.words), c.debug) << joined(c.words);
  }
}

TEST(Parsing, AllFormsOfAnAreaValueAgree) {
  const std::string expected = debug_of({"ospfv2", "--area", "1"});
  for (const Words& words :
       {Words{"ospfv2", "--area=1"}, Words{"ospfv2", "-a1"}, Words{"ospfv2", "-a=1"},
        Words{"ospfv2", "-a", "1"}, Words{"ospfv2", "-a==1"}}) {
    EXPECT_EQ(debug_of(words), expected) << joined(words);
  }
}

TEST(Parsing, ValuesAreOwnedCopiesOfTheWords) {
  auto parsed = parse({"ribv4", "-o", "Kernel "});
  const auto& rib = std::get<Cmd::Rib>(std::get<Cmd>(parsed).value);
  EXPECT_EQ(rib.args.origin, std::optional<std::string>("Kernel "));
}

constexpr const char* kAppUsage = "USAGE:\n    quamorsc <SUBCOMMAND>";
constexpr const char* kMore = "\n\nFor more information try --help\n";

std::string unknown(const std::string& word, const std::string& usage,
                    const std::string& suggestion = "") {
  return "error: Found argument '" + word + "' which wasn't expected, or isn't valid in this " +
         "context" + suggestion + "\n\n" + usage + kMore;
}

std::string sub_usage(const std::string& sub) {
  return "USAGE:\n    quamorsc " + sub + " [FLAGS] [OPTIONS]";
}

std::string short_usage(const std::string& sub) {
  return "USAGE:\n    quamorsc " + sub;
}

std::string unrecognized(const std::string& word, const std::string& suggested) {
  return "error: The subcommand '" + word + "' wasn't recognized\n\tDid you mean '" + suggested +
         "'?\n\nIf you believe you received this message in error, try re-running with "
         "'quamorsc -- " +
         word + "'\n\n" + kAppUsage + kMore;
}

std::string help_unrecognized(const std::string& word) {
  return "error: The subcommand '" + word +
         "' wasn't recognized\n\nUSAGE:\n\tquamorsc help <subcommands>..." + kMore;
}

std::string requires_value(const std::string& form, const std::string& usage) {
  return "error: The argument '" + form + "' requires a value but none was supplied\n\n" + usage +
         kMore;
}

std::string too_many(const std::string& value, const std::string& form, const std::string& usage) {
  return "error: The value '" + value + "' was provided to '" + form +
         "', but it wasn't expecting any more values\n\n" + usage + kMore;
}

std::string more_than_once(const std::string& form, const std::string& usage) {
  return "error: The argument '" + form +
         "' was provided more than once, but cannot be used multiple times\n\n" + usage + kMore;
}

std::string invalid(const std::string& form, const std::string& error) {
  return "error: Invalid value for '" + form + "': " + error + "\n";
}

struct ErrorCase {
  Words words;
  std::string text;
};

void expect_errors(const std::vector<ErrorCase>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(exit_of(c.words), (argparse::Exit{2, c.text, 1})) << joined(c.words);
  }
}

TEST(ApplicationErrors, UnknownArgumentsAndSubcommands) {
  expect_errors({
      {{"-x"}, unknown("-x", kAppUsage)},
      {{"-xh"}, unknown("-x", kAppUsage)},
      {{"-"}, unknown("-", kAppUsage)},
      {{""}, unknown("", kAppUsage)},
      {{"xyz"}, unknown("xyz", kAppUsage)},
      {{"--bogus"}, unknown("--bogus", kAppUsage)},
      {{"ospf"}, unrecognized("ospf", "ospfv2")},
      {{"System"}, unrecognized("System", "system")},
      {{"sytsem"}, unrecognized("sytsem", "system")},
      {{"hepl"}, unrecognized("hepl", "help")},
      {{"ribv"}, unrecognized("ribv", "ribv4")},
      // After "--" no word is a subcommand or an option any more.
      {{"--", "system"}, unrecognized("system", "system")},
      {{"--", "-h"}, unknown("-h", kAppUsage)},
      {{"--", "--"}, unknown("--", kAppUsage)},
      {{"-d", "system"}, unknown("-d", kAppUsage)},
  });
}

TEST(ApplicationErrors, HelpSubcommand) {
  expect_errors({
      {{"help", "xyz"}, help_unrecognized("xyz")},
      {{"help", "ospf"}, help_unrecognized("ospf")},
      {{"help", "help"}, help_unrecognized("help")},
      {{"help", "-h"}, help_unrecognized("-h")},
      {{"help", "bgp", "extra", "more"}, help_unrecognized("extra")},
      {{"help", "bgp", "bgp"}, help_unrecognized("bgp")},
  });
}

TEST(ApplicationErrors, LongOptionSuggestions) {
  const auto put = [](const std::string& name, const std::string& sub) {
    return "\n\tDid you mean to put '--" + name + "' after the subcommand '" + sub + "'?";
  };
  expect_errors({
      {{"--hlp"}, unknown("--hlp", kAppUsage, "\n\tDid you mean --help?")},
      {{"--versoin"}, unknown("--versoin", kAppUsage, "\n\tDid you mean --version?")},
      {{"--json", "system"}, unknown("--json", kAppUsage, put("json", "system"))},
      {{"--jsn=1"}, unknown("--jsn=1", kAppUsage, put("json", "system"))},
      {{"--detail"}, unknown("--detail", kAppUsage, put("detail", "system"))},
      // Only later subcommands have these names.
      {{"--neigh"}, unknown("--neigh", kAppUsage, put("neigh", "bgp"))},
      {{"--lsdb"}, unknown("--lsdb", kAppUsage, put("lsdb", "ospfv2"))},
      {{"--area"}, unknown("--area", kAppUsage, put("area", "ospfv2"))},
      {{"--prefix"}, unknown("--prefix", kAppUsage, put("prefix-router", "ospfv2"))},
      {{"--origin"}, unknown("--origin", kAppUsage, put("origin", "ribv4"))},
  });
}

TEST(SubcommandErrors, UnknownWordsAndLetters) {
  expect_errors({
      {{"system", "extra"}, unknown("extra", sub_usage("system"))},
      {{"system", "-"}, unknown("-", sub_usage("system"))},
      {{"system", "-x"}, unknown("-x", sub_usage("system"))},
      {{"system", "-dx"}, unknown("-x", short_usage("system"))},
      {{"system", "-é"}, unknown("-é", sub_usage("system"))},
      {{"system", "-d", "extra"}, unknown("extra", short_usage("system"))},
      {{"system", "--intf=eth0", "eth1"}, unknown("eth1", short_usage("system"))},
      {{"system", "--intf", "a", "b", "c"}, unknown("c", short_usage("system"))},
      {{"system", "-ieth0", "eth1"}, unknown("eth1", short_usage("system"))},
      {{"bgp", "--host", "a", "b"}, unknown("b", short_usage("bgp"))},
      {{"bgp", "--host", "-x"}, unknown("-x", short_usage("bgp"))},
      {{"bgp", "--neigh", "bgp"},
       invalid("--neigh <neigh-router-ipv4>", "invalid IP address syntax")},
      {{"system", "--", "eth0"}, unknown("eth0", sub_usage("system"))},
      {{"system", "--intf", "--", "-h"}, unknown("-h", short_usage("system"))},
      {{"system", "system"}, unknown("system", sub_usage("system"))},
      {{"bgp", "-p"}, unknown("-p", sub_usage("bgp"))},
      {{"system", "--lsdb"}, unknown("--lsdb", sub_usage("system"))},
      // Errors met while reading come before those found at the end.
      {{"ospfv2", "--area", "x", "y", "z"}, unknown("z", short_usage("ospfv2"))},
      // A second value closes the option, also when the first came with an earlier naming.
      {{"system", "-i", "a", "-i", "b", "c"}, unknown("c", short_usage("system"))},
      {{"system", "-i", "a", "-i", "b", "c", "-V"}, unknown("c", short_usage("system"))},
      {{"system", "--intf=a", "--intf", "b", "c"}, unknown("c", short_usage("system"))},
      {{"bgp", "-n", "1.1.1.1", "--neigh", "x", "2.2.2.2"}, unknown("2.2.2.2", short_usage("bgp"))},
      {{"ospfv2", "--area", "1", "--area", "2", "3"}, unknown("3", short_usage("ospfv2"))},
      {{"ospfv2", "-p", "--prefix-network", "a", "b", "c"}, unknown("c", short_usage("ospfv2"))},
      {{"ribv4", "--prefix", "a", "-p", "b", "c"}, unknown("c", short_usage("ribv4"))},
      {{"bgp", "--host", "-d", "-x"}, unknown("-x", short_usage("bgp"))},
  });
}

TEST(SubcommandErrors, LongOptionSuggestions) {
  const auto mean = [](const std::string& name) { return "\n\tDid you mean --" + name + "?"; };
  expect_errors({
      {{"system", "--jsn"}, unknown("--jsn", sub_usage("system"), mean("json"))},
      {{"system", "--json-prety"},
       unknown("--json-prety", sub_usage("system"), mean("json-pretty"))},
      {{"system", "--hlp"}, unknown("--hlp", sub_usage("system"), mean("help"))},
      {{"system", "--hots=x"}, unknown("--hots=x", sub_usage("system"), mean("host"))},
      {{"system", "-d", "--int"}, unknown("--int", short_usage("system"), mean("intf"))},
      {{"ospfv2", "--prefix"}, unknown("--prefix", sub_usage("ospfv2"), mean("prefix-router"))},
      {{"ospfv2", "--area-id"}, unknown("--area-id", sub_usage("ospfv2"), mean("area"))},
      {{"ribv4", "--prefix-network"},
       unknown("--prefix-network", sub_usage("ribv4"), mean("prefix"))},
      {{"bgp", "--xyz"}, unknown("--xyz", sub_usage("bgp"))},
  });
}

TEST(EndErrors, ValueCountsChecksAndRepetition) {
  expect_errors({
      {{"system", "--host"}, requires_value("--host <host>", short_usage("system"))},
      {{"system", "--host", "-d"}, requires_value("--host <host>", short_usage("system"))},
      {{"system", "-dH"}, requires_value("--host <host>", short_usage("system"))},
      {{"ribv4", "--origin"}, requires_value("--origin <origin>", short_usage("ribv4"))},
      {{"system", "--intf", "eth0", "eth1"},
       too_many("eth1", "--intf <intf-name>", short_usage("system"))},
      {{"system", "-i", "", ""}, too_many("", "--intf <intf-name>", short_usage("system"))},
      {{"ospfv2", "--area", "1", "--area", "2"},
       too_many("2", "--area <n>", short_usage("ospfv2"))},
      // With more than two values the last one received is named.
      {{"ospfv2", "-a1", "-a2", "-a3"}, too_many("3", "--area <n>", short_usage("ospfv2"))},
      {{"system", "-i=a", "-i=b", "-i=c"},
       too_many("c", "--intf <intf-name>", short_usage("system"))},
      {{"ospfv2", "--area", "1", "--area", "2", "--area", "3"},
       too_many("3", "--area <n>", short_usage("ospfv2"))},
      {{"system", "-i", "-i", "a", "b"},
       too_many("b", "--intf <intf-name>", short_usage("system"))},
      {{"ospfv2", "--area", "x", "y"}, too_many("y", "--area <n>", short_usage("ospfv2"))},
      {{"system", "-d", "-d"}, more_than_once("--detail", short_usage("system"))},
      {{"system", "-dd"}, more_than_once("--detail", short_usage("system"))},
      {{"system", "--show-url", "--show-url"}, more_than_once("--show-url", short_usage("system"))},
      {{"bgp", "--host", "a", "--host", "b"}, more_than_once("--host <host>", short_usage("bgp"))},
      {{"bgp", "--host", "--host", "b"}, more_than_once("--host <host>", short_usage("bgp"))},
      {{"bgp", "-n", "1.1.1.1", "-n"},
       more_than_once("--neigh <neigh-router-ipv4>", short_usage("bgp"))},
      {{"ospfv2", "--area", "--area"}, more_than_once("--area <n>", short_usage("ospfv2"))},
      {{"ribv4", "-o", "a", "--origin"}, more_than_once("--origin <origin>", short_usage("ribv4"))},
      {{"ospfv2", "--area", "4294967296"},
       invalid("--area <n>", "4294967296 is not a valid u32 integer")},
      {{"ospfv2", "--area="}, invalid("--area <n>", " is not a valid u32 integer")},
      {{"ospfv2", "-a", "1.2.3"},
       invalid("--area <n>", "1.2.3 is not a valid dotted decimal format")},
      {{"ospfv2", "-P", "1.1.1"},
       invalid("--prefix-router <router-id>", "invalid IP address syntax")},
      {{"ospfv2", "--neigh=1.1.1.256"},
       invalid("--neigh <neigh-router-id>", "invalid IP address syntax")},
      {{"ospfv2", "-p", "10.0.0.0/33"}, invalid("--prefix-network <ipv4-net>", "invalid prefix")},
      {{"ospfv2", "-p", "2001:db8::/32"},
       invalid("--prefix-network <ipv4-net>", "invalid address: 2001:db8::")},
      {{"ribv4", "--prefix", "10.0.0.0/33"},
       invalid("--prefix <network>", "invalid address: 10.0.0.0/33")},
      {{"bgp", "--neigh", "10.0.0.256"},
       invalid("--neigh <neigh-router-ipv4>", "invalid IP address syntax")},
      {{"bgp", "--neigh", ""}, invalid("--neigh <neigh-router-ipv4>", "invalid IP address syntax")},
  });
}

TEST(EndErrors, OptionsAreExaminedInDeclarationOrder) {
  expect_errors({
      // --host is declared before every own option, --area before --neigh.
      {{"ospfv2", "--area", "y", "--host"}, requires_value("--host <host>", short_usage("ospfv2"))},
      {{"ospfv2", "--neigh", "x", "--area", "y"},
       invalid("--area <n>", "y is not a valid u32 integer")},
      {{"bgp", "--neigh", "x", "-d", "-d"}, more_than_once("--detail", short_usage("bgp"))},
      // For one option: the value count, then the checks, then repetition.
      {{"bgp", "--neigh", "x", "--neigh", "1.1.1.1"},
       too_many("1.1.1.1", "--neigh <neigh-router-ipv4>", short_usage("bgp"))},
      {{"bgp", "--neigh", "x", "-n"},
       invalid("--neigh <neigh-router-ipv4>", "invalid IP address syntax")},
      {{"bgp", "-n", "-n", "x"},
       invalid("--neigh <neigh-router-ipv4>", "invalid IP address syntax")},
  });
}

const std::string kRed = "\x1b[1;31merror:\x1b[0m";
std::string yellow(const std::string& s) {
  return "\x1b[33m" + s + "\x1b[0m";
}
std::string green(const std::string& s) {
  return "\x1b[32m" + s + "\x1b[0m";
}
const std::string kMoreColoured = "\n\nFor more information try " + green("--help") + "\n";

TEST(Colour, EveryErrorForm) {
  const std::string system_usage = sub_usage("system");
  const std::string context = "' which wasn't expected, or isn't valid in this context";
  struct Case {
    Words words;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{"system", "extra"},
       kRed + " Found argument '" + yellow("extra") + context + "\n\n" + system_usage +
           kMoreColoured},
      {{"system", "--jsn"},
       kRed + " Found argument '" + yellow("--jsn") + context + "\n\tDid you mean " + green("--") +
           green("json") + "?\n\n" + system_usage + kMoreColoured},
      {{"--json"},
       kRed + " Found argument '" + yellow("--json") + context + "\n\tDid you mean to put '" +
           green("--") + green("json") + "' after the subcommand '" + green("system") + "'?\n\n" +
           kAppUsage + kMoreColoured},
      {{"ospf"},
       kRed + " The subcommand '" + yellow("ospf") + "' wasn't recognized\n\tDid you mean '" +
           green("ospfv2") +
           "'?\n\nIf you believe you received this message in error, try re-running with "
           "'quamorsc " +
           green("--") + " ospf'\n\n" + kAppUsage + kMoreColoured},
      {{"help", "xyz"},
       kRed + " The subcommand '" + yellow("xyz") + "' wasn't recognized\n\n" + yellow("USAGE:") +
           "\n\tquamorsc help <subcommands>..." + kMoreColoured},
      {{"system", "--host"},
       kRed + " The argument '" + yellow("--host <host>") +
           "' requires a value but none was supplied\n\n" + short_usage("system") + kMoreColoured},
      {{"system", "-i", "a", "b"},
       kRed + " The value '" + yellow("b") + "' was provided to '" + yellow("--intf <intf-name>") +
           "', but it wasn't expecting any more values\n\n" + short_usage("system") +
           kMoreColoured},
      {{"ospfv2", "-ax"},
       kRed + " Invalid value for '" + yellow("--area <n>") + "': x is not a valid u32 integer\n"},
      {{"system", "-d", "-d"},
       kRed + " The argument '" + yellow("--detail") +
           "' was provided more than once, but cannot be used multiple times\n\n" +
           short_usage("system") + kMoreColoured},
      {{"\xff"},
       kRed + " Invalid UTF-8 was detected in one or more arguments\n\n" + kAppUsage +
           kMoreColoured},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(exit_of(c.words, true), (argparse::Exit{2, c.text, 1})) << joined(c.words);
  }
}

TEST(Colour, NeverOnHelpOrVersion) {
  EXPECT_EQ(exit_of({"-h"}, true), (argparse::Exit{1, fixture("app.txt"), 0}));
  EXPECT_EQ(exit_of({"help", "bgp"}, true), (argparse::Exit{1, fixture("bgp.txt"), 0}));
  EXPECT_EQ(exit_of({"ribv4", "-V"}, true),
            (argparse::Exit{1, "quamorsc-ribv4 " + kBuiltVersion + "\n", 0}));
}

TEST(InvalidUtf8, IsAnErrorWhenTheWordIsRead) {
  const std::string app = "error: Invalid UTF-8 was detected in one or more arguments\n\n" +
                          std::string(kAppUsage) + kMore;
  const auto sub = [](const std::string& usage) {
    return "error: Invalid UTF-8 was detected in one or more arguments\n\n" + usage + kMore;
  };
  expect_errors({
      {{"\xff"}, app},
      {{"\xc0\x80"}, app},          // overlong
      {{"\xed\xa0\x80"}, app},      // surrogate
      {{"\xe2\x82"}, app},          // cut short
      {{"\xf4\x90\x80\x80"}, app},  // past U+10FFFF
      {{"--", "\xff"}, app},
      {{"help", "\xff"}, app},
      {{"help", "bgp", "\xff"}, app},
      {{"system", "\xff"}, sub(sub_usage("system"))},
      {{"system", "--", "\xff"}, sub(sub_usage("system"))},
      {{"system", "-i", "\xff"}, sub(short_usage("system"))},
      {{"system", "--intf=\xff"}, sub(sub_usage("system"))},
      {{"bgp", "-H", "ok", "-Hx\xff"}, sub(short_usage("bgp"))},
      // Words that are never read do not matter.
      {{"help", "xyz", "\xff"}, help_unrecognized("xyz")},
      {{"system", "extra", "\xff"}, unknown("extra", sub_usage("system"))},
  });
  EXPECT_EQ(exit_of({"system", "-h", "\xff"}).status, 0);
  EXPECT_EQ(exit_of({"-V", "\xff"}).status, 0);
}

TEST(InvalidUtf8, ValidCharactersAreReadAsCharacters) {
  expect_errors({
      {{"système"}, unrecognized("système", "system")},
      {{"system", "-dé"}, unknown("-é", short_usage("system"))},
      {{"system", "-\u00e9d"}, unknown("-é", sub_usage("system"))},
  });
  EXPECT_EQ(debug_of({"system", "-i€"}),
            std::string("System(SystemCmdArgs { ") + kCommon + ", intf_name: Some(Some(\"€\")) })");
}

// The fastest of `runs` readings of `words`: the least the machine needs for them, free of
// whatever else it was doing meanwhile.
std::chrono::nanoseconds fastest_parse(const Words& words, int runs) {
  auto best = std::chrono::nanoseconds::max();
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    (void)parse(words);
    best = std::min(best, std::chrono::nanoseconds(std::chrono::steady_clock::now() - start));
  }
  return best;
}

// Reads the command line that `make` gives for size `n` and requires its cost to grow with its
// size and no faster, measured against a hundredth of it in the same run, so that the verdict does
// not depend on the machine or a sanitizer. A hundred times the words or characters take about a
// hundred times as long, a few times that once they no longer fit in the processor's caches;
// a pass over all of them for each of them would take ten thousand times as long.
// Returns what the full-size command line ends with.
template <class Make>
std::variant<Cmd, argparse::Exit> parse_in_linear_time(Make make, std::size_t n) {
  const Words small = make(n / 100);
  const Words big = make(n);
  const auto small_time = fastest_parse(small, 5);
  // Measured again only when it looks too slow, in case the machine was busy with something else.
  auto big_time = fastest_parse(big, 1);
  for (int retry = 0; retry < 2 && big_time >= 2000 * small_time; ++retry) {
    big_time = std::min(big_time, fastest_parse(big, 1));
  }
  EXPECT_LT(big_time, 2000 * small_time)
      << big.size() << " words: " << big_time.count() << " ns, " << small.size()
      << " words: " << small_time.count() << " ns";
  return parse(big);
}

template <class Make>
argparse::Exit exit_in_linear_time(Make make, std::size_t n) {
  return exit_from(parse_in_linear_time(make, n));
}

// `first` followed by `word` until there are `n` words.
auto repeated(std::string first, std::string word) {
  return [first = std::move(first), word = std::move(word)](std::size_t n) {
    Words words{first};
    words.insert(words.end(), n - 1, word);
    return words;
  };
}

TEST(Limits, ManyArguments) {
  const std::size_t n = 100000;
  EXPECT_EQ(exit_in_linear_time(repeated("system", "-d"), n).text,
            more_than_once("--detail", short_usage("system")));

  auto hosts = [](std::size_t count) {
    Words words{"bgp"};
    for (std::size_t i = 0; words.size() < count; ++i) {
      words.push_back("--host");
      words.push_back("h" + std::to_string(i));
    }
    return words;
  };
  EXPECT_EQ(exit_in_linear_time(hosts, n).text,
            more_than_once("--host <host>", short_usage("bgp")));

  EXPECT_EQ(exit_in_linear_time(repeated("ospfv2", "-a1"), n).text,
            too_many("1", "--area <n>", short_usage("ospfv2")));

  EXPECT_EQ(exit_in_linear_time(repeated("system", "system"), n).text,
            unknown("system", sub_usage("system")));
}

// The kernel takes words of up to 131072 bytes, its terminating NUL included.
TEST(Limits, OneLongArgument) {
  // One word: `before`, then `length` times `fill`; after the words in `leading`.
  auto one_word = [](Words leading, std::string before, char fill) {
    return [leading = std::move(leading), before = std::move(before), fill](std::size_t length) {
      Words words = leading;
      words.push_back(before + std::string(length, fill));
      return words;
    };
  };
  const std::string long_word = "--" + std::string(131069, 'a');
  EXPECT_EQ(exit_in_linear_time(one_word({}, "--", 'a'), 131069).text,
            unknown(long_word, kAppUsage));
  EXPECT_EQ(exit_in_linear_time(one_word({"ospfv2"}, "--", 'a'), 131069).text,
            unknown(long_word, sub_usage("ospfv2")));
  EXPECT_EQ(exit_in_linear_time(one_word({}, "--json", 'n'), 131065).status, 1);
  EXPECT_EQ(exit_in_linear_time(one_word({}, "", 's'), 131071).text,
            unknown(std::string(131071, 's'), kAppUsage));
  EXPECT_EQ(exit_in_linear_time(one_word({"system"}, "-", 'd'), 131070).text,
            more_than_once("--detail", short_usage("system")));
  EXPECT_EQ(exit_in_linear_time(one_word({"ospfv2"}, "-a", '1'), 131069).text,
            invalid("--area <n>", std::string(131069, '1') + " is not a valid u32 integer"));
  EXPECT_EQ(exit_in_linear_time(one_word({"ribv4", "-p"}, "", ':'), 131071).text,
            invalid("--prefix <network>", "invalid address: " + std::string(131071, ':')));

  auto parsed = parse_in_linear_time(one_word({"bgp", "-H"}, "", 'x'), 131071);
  ASSERT_TRUE(std::holds_alternative<Cmd>(parsed));
  EXPECT_EQ(std::get<Cmd::Bgp>(std::get<Cmd>(parsed).value).args.common.host->size(), 131071u);
}

}  // namespace
}  // namespace quamorsc
