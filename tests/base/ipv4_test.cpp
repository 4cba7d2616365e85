#include "base/ipv4.h"

#include <gtest/gtest.h>

#include <string_view>

namespace base {
namespace {

using namespace std::string_view_literals;

TEST(DottedDecimal, AcceptsFourDecimalPartsUpTo255) {
  struct Case {
    std::string_view text;
    Ipv4Addr addr;
  };
  for (const auto& c : {
           Case{"0.0.0.0", {{0, 0, 0, 0}}},
           Case{"255.255.255.255", {{255, 255, 255, 255}}},
           Case{"1.2.3.4", {{1, 2, 3, 4}}},
           Case{"010.1.1.1", {{10, 1, 1, 1}}},  // leading zeros stay decimal
           Case{"000.000.000.000", {{0, 0, 0, 0}}},
           Case{"192.0.2.001", {{192, 0, 2, 1}}},
       }) {
    EXPECT_EQ(parse_dotted_decimal(c.text), c.addr) << c.text;
  }
}

TEST(DottedDecimal, RefusesEverythingElse) {
  for (std::string_view text : {
           ""sv,           "1"sv,
           "10.1"sv,       "1.2.3"sv,
           "1.2.3.4."sv,   ".1.2.3.4"sv,
           "1..2.3"sv,     "1.2.3.4.5"sv,
           "0001.1.1.1"sv, "1.2.3.0004"sv,
           "256.1.1.1"sv,  "1.2.3.256"sv,
           "999.1.1.1"sv,  " 1.2.3.4"sv,
           "1.2.3.4 "sv,   "1. 2.3.4"sv,
           "+1.2.3.4"sv,   "-1.2.3.4"sv,
           "0x0a.0.0.1"sv, "1.2.3.a"sv,
           "1,2,3,4"sv,    "1.2.3.4\n"sv,
           "1.2.3.4\0"sv,  "."sv,
           "...."sv,       "\xef\xbc\x91.2.3.4"sv,  // a full-width digit is no ASCII digit
       }) {
    EXPECT_EQ(parse_dotted_decimal(text), std::nullopt) << text;
  }
}

TEST(DottedDecimal, ReadsOnlyTheGivenText) {
  constexpr std::string_view whole = "1.2.3.45";
  EXPECT_EQ(parse_dotted_decimal(whole.substr(0, 7)), (Ipv4Addr{{1, 2, 3, 4}}));
  EXPECT_EQ(parse_dotted_decimal(whole.substr(0, 6)), std::nullopt);
}

TEST(DottedDecimal, WritesWithoutLeadingZeros) {
  EXPECT_EQ(to_dotted(Ipv4Addr{{0, 0, 0, 0}}), "0.0.0.0");
  EXPECT_EQ(to_dotted(Ipv4Addr{{10, 0, 0, 2}}), "10.0.0.2");
  EXPECT_EQ(to_dotted(Ipv4Addr::from_u32(0xFFFFFFFF)), "255.255.255.255");
  EXPECT_EQ(to_dotted(Ipv4Addr::from_u32(256)), "0.0.1.0");
  EXPECT_EQ(Ipv4Addr::from_u32(0x0A000102).to_u32(), 0x0A000102u);
}

}  // namespace
}  // namespace base
