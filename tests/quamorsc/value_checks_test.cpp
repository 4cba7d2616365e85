#include "quamorsc/cli/value_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quamorsc {
namespace {

using CheckFn = tl::expected<void, std::string> (*)(std::string_view);

struct Refused {
  std::string text;
  std::string error;
};

void expect_accepted(CheckFn check, const std::vector<std::string>& texts) {
  for (const auto& text : texts) {
    auto checked = check(text);
    EXPECT_TRUE(checked) << "'" << text << "': " << (checked ? "" : checked.error());
  }
}

void expect_refused(CheckFn check, const std::vector<Refused>& cases) {
  for (const auto& c : cases) {
    auto checked = check(c.text);
    ASSERT_FALSE(checked) << "'" << c.text << "' passed";
    EXPECT_EQ(checked.error(), c.error) << "'" << c.text << "'";
  }
}

TEST(TextCheck, AcceptsEverything) {
  expect_accepted(check_text, {"", " ", "router1", "http://host:8000/x", "a,b", "-x", "\t"});
}

TEST(AddressChecks, DottedDecimalOnly) {
  const std::vector<std::string> good = {"10.0.0.1", "010.000.000.001", "0.0.0.0",
                                         "255.255.255.255"};
  const std::string syntax = "invalid IP address syntax";
  const std::vector<Refused> bad = {
      {"10.0.0.256", syntax}, {"10.0.0", syntax}, {"10.0.0.1.5", syntax}, {" 10.0.0.1", syntax},
      {"10.0.0.1 ", syntax},  {"", syntax},       {"10.0.0.1.", syntax},  {"0x0a.0.0.1", syntax},
      {"1.1.1.0001", syntax}, {"1", syntax},      {"::1", syntax},        {"+1.1.1.1", syntax},
  };
  for (CheckFn check : {check_ipv4_addr, check_router_id}) {
    expect_accepted(check, good);
    expect_refused(check, bad);
  }
  const base::Ipv4Addr ten{{10, 0, 0, 1}};
  EXPECT_EQ(parse_ipv4_addr("010.000.000.001"), ten);
  EXPECT_EQ(parse_router_id("010.000.000.001"), packet::ospf::RouterId{ten});
}

TEST(AreaIdCheck, NumbersAndDottedDecimal) {
  expect_accepted(check_area_id,
                  {"0", "5", "+5", "05", "00005", "0.0.0.5", "4294967295", "010.000.000.001"});
  expect_refused(check_area_id, {
                                    {"4294967296", "4294967296 is not a valid u32 integer"},
                                    {"-5", "-5 is not a valid u32 integer"},
                                    {"5x", "5x is not a valid u32 integer"},
                                    {" 5", " 5 is not a valid u32 integer"},
                                    {"+", "+ is not a valid u32 integer"},
                                    {"", " is not a valid u32 integer"},
                                    {"1.2.3", "1.2.3 is not a valid dotted decimal format"},
                                    {"1.5", "1.5 is not a valid dotted decimal format"},
                                    {".", ". is not a valid dotted decimal format"},
                                });
  EXPECT_EQ(parse_area_id("5"), packet::ospf::AreaId::from(5));
  EXPECT_EQ(parse_area_id("0.0.0.5"), packet::ospf::AreaId::from(5));
}

TEST(Ipv4NetworkCheck, AcceptedAndRefused) {
  expect_accepted(check_ipv4_network, {"10.0.0.0/8", "10.1.2.3/8", "10.0.0.0", "10.0.0.0/+8",
                                       "10.0.0.0/08", "0.0.0.0/0", "1.2.3.4/32", "1.2.3.4/0032"});
  expect_refused(
      check_ipv4_network,
      {
          {"10.0.0.0/33", "invalid prefix"},
          {"10.0.0.0/256", "invalid prefix"},
          {"10.0.0.0/", "invalid prefix"},
          {"10.0.0.0/255.0.0.0", "invalid prefix"},
          {"10.0.0.0/-8", "invalid prefix"},
          {"10.0.0.0/ 8", "invalid prefix"},
          {"10.0.0.0/8/9", "invalid cidr format: CIDR must contain a single '/': 10.0.0.0/8/9"},
          {"//", "invalid cidr format: CIDR must contain a single '/': //"},
          {"/8", "invalid address: "},
          {"", "invalid address: "},
          {"10.0.0.256/24", "invalid address: 10.0.0.256"},
          {"10.0.0/8", "invalid address: 10.0.0"},
          {"2001:db8::/32", "invalid address: 2001:db8::"},
      });
}

TEST(IpNetworkCheck, EitherFamily) {
  expect_accepted(check_ip_network,
                  {"10.0.0.0/8", "10.0.0.0", "2001:db8::/32", "::ffff:10.0.0.1", "::", "::/0",
                   "::1", "1:2:3:4:5:6:7:8/128", "1:2:3:4:5:6:1.2.3.4",
                   "ABCD:ef::", "1::", "2001:DB8::1/+64", "2001:db8::/064"});
  const std::vector<std::string> refused = {"10.0.0.0/33",
                                            "2001:db8::/129",
                                            "10.0.0.0/8/9",
                                            "2001:db8::/32/1",
                                            "1:2:3:4:5:6:7:8:9",
                                            "1::2::3",
                                            "fe80::1%eth0",
                                            "[::1]",
                                            "12345::",
                                            ":::",
                                            "1:2:3",
                                            "",
                                            "/8",
                                            "::/",
                                            "x"};
  for (const auto& text : refused) {
    auto checked = check_ip_network(text);
    ASSERT_FALSE(checked) << text;
    EXPECT_EQ(checked.error(), "invalid address: " + text);
  }
}

}  // namespace
}  // namespace quamorsc
