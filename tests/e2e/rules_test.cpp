// The option rules and the RIB builder's own refusals through the real binary: one line on
// standard error and status 65, before anything is shown or connected (no daemon runs).

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

struct RuleCase {
  std::vector<std::string> args;
  std::string err;
};

void PrintTo(const RuleCase& c, std::ostream* os) {
  *os << e2e::name_of(c.args);
}

class RuleRefusal : public testing::TestWithParam<RuleCase> {};

TEST_P(RuleRefusal, EndsWithItsMessageAnd65) {
  E2E_REQUIRE_NAMESPACES();
  e2e::Outcome o = e2e::run(e2e::Scenario{GetParam().args, {}, std::nullopt});
  EXPECT_EQ(o.err, GetParam().err);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.status, 65);
}

std::string conflict(const std::string& message) {
  return "CLI Args in conflict \"" + message + "\"\n";
}

const std::string kBothFormats =
    conflict("Output cannot be formatted to --json *and* --json-pretty");
const std::string kUrlWithoutHost =
    conflict("Requested to show a URL, but --host option is not set");
const std::string kLsDbArea = conflict("Missing Area Id to lookup Area LS DB");
const std::string kOneKind = conflict("Specify one of LsDb, Area, Network Routes OR Router Routes");
const std::string kNeighIntf = conflict("Neigh information requires an Interface");
const std::string kNeighArea = conflict("Neigh information requires an Area");
const std::string kIntfArea = conflict("Interface information requires an Area");
const std::string kOriginNoPrefix =
    conflict("RIB: No prefixes requested, but prefix origin has been specified");

std::string unknown_origin(const std::string& debug) {
  return "Unknown RIB origin given " + debug + ", valid origins are [kernel, ospfv2]\n";
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleRefusal,
    testing::Values(
        RuleCase{{"system", "--json", "--json-pretty"}, kBothFormats},
        // The first common rule comes before every other.
        RuleCase{{"bgp", "-J", "-j", "--show-url"}, kBothFormats},
        RuleCase{{"ospfv2", "-J", "-j", "-i", "eth0"}, kBothFormats},
        RuleCase{{"ribv4", "-J", "-j", "--show-url", "--host", "h"}, kBothFormats},
        RuleCase{{"bgp", "--show-url"}, kUrlWithoutHost},
        RuleCase{{"ospfv2", "--show-url", "-i", "eth0"}, kUrlWithoutHost},
        RuleCase{{"ospfv2", "-l", "-a"}, kLsDbArea},
        RuleCase{{"ospfv2", "-l", "-a", "-p"}, kLsDbArea},
        RuleCase{{"ospfv2", "-a", "-p"}, kOneKind}, RuleCase{{"ospfv2", "-l", "-P"}, kOneKind},
        RuleCase{{"ospfv2", "-p", "-P"}, kOneKind},
        RuleCase{{"ospfv2", "-l", "-a", "1", "-P", "1.1.1.1"}, kOneKind},
        RuleCase{{"ospfv2", "-n", "1.1.1.1"}, kNeighIntf},
        RuleCase{{"ospfv2", "-a", "1", "-n"}, kNeighIntf},
        RuleCase{{"ospfv2", "-i", "eth0", "-n"}, kNeighArea},
        RuleCase{{"ospfv2", "-i", "eth0"}, kIntfArea},
        RuleCase{{"ospfv2", "-l", "-i", "eth0"}, kIntfArea},
        RuleCase{{"ospfv2", "-p", "-i", "eth0"}, kIntfArea},
        RuleCase{{"ospfv2", "-P", "-i", "eth0"}, kIntfArea},
        RuleCase{{"ribv4", "-o", "kernel"}, kOriginNoPrefix},
        // The rule comes before the origin is looked at.
        RuleCase{{"ribv4", "-o", "bogus"}, kOriginNoPrefix},
        RuleCase{{"ribv4", "-p", "10.0.0.0/8", "-o", "Kernel"}, unknown_origin("\"Kernel\"")},
        RuleCase{{"ribv4", "-p", "10.0.0.0/8", "-o", "KERNEL"}, unknown_origin("\"KERNEL\"")},
        RuleCase{{"ribv4", "-p", "-o", "kernel "}, unknown_origin("\"kernel \"")},
        RuleCase{{"ribv4", "-p", "-o", "a\"b\\c\td"}, unknown_origin("\"a\\\"b\\\\c\\td\"")},
        RuleCase{{"ribv4", "-p", "2001:db8::1/64"},
                 "IPv6 Network not supported yet Ipv6Network { addr: 2001:db8::1, prefix: 64 }\n"},
        // The origin is examined before the prefix.
        RuleCase{{"ribv4", "-p", "2001:db8::1/64", "-o", "x"}, unknown_origin("\"x\"")},
        RuleCase{{"ribv4", "-p", "2001:db8::1/64", "--host", "h", "--show-url"},
                 "IPv6 Network not supported yet Ipv6Network { addr: 2001:db8::1, prefix: 64 }\n"}),
    [](const auto& info) { return std::to_string(info.index) + e2e::name_of(info.param.args); });

}  // namespace
