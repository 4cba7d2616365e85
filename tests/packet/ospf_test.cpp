#include "packet/ospf.h"

#include <gtest/gtest.h>

#include "base/debug_text.h"

namespace packet::ospf {
namespace {

TEST(AreaIdFromStr, AcceptsNumbersAndDottedDecimal) {
  struct Case {
    const char* text;
    const char* debug;
  };
  for (auto c : {Case{"0", "AreaId(0.0.0.0)"}, Case{"5", "AreaId(0.0.0.5)"},
                 Case{"+5", "AreaId(0.0.0.5)"}, Case{"05", "AreaId(0.0.0.5)"},
                 Case{"00005", "AreaId(0.0.0.5)"}, Case{"0.0.0.5", "AreaId(0.0.0.5)"},
                 Case{"256", "AreaId(0.0.1.0)"}, Case{"4294967295", "AreaId(255.255.255.255)"},
                 Case{"010.000.000.001", "AreaId(10.0.0.1)"}}) {
    auto id = AreaId::from_str(c.text);
    ASSERT_TRUE(id) << c.text;
    EXPECT_EQ(base::to_debug(*id), c.debug) << c.text;
  }
}

TEST(AreaIdFromStr, RefusesWithTheTextAndTheRoute) {
  for (const char* text :
       {"4294967296", "-5", "5x", "0x10", " 5", "5 ", "+", "", "99999999999999999999"}) {
    auto id = AreaId::from_str(text);
    ASSERT_FALSE(id) << text;
    EXPECT_EQ(id.error(), std::string(text) + " is not a valid u32 integer");
  }
  for (const char* text :
       {"1.2.3", "1.2.3.4.", "256.0.0.1", "1.2.3.0004", "+1.2.3.4", "1.5", "."}) {
    auto id = AreaId::from_str(text);
    ASSERT_FALSE(id) << text;
    EXPECT_EQ(id.error(), std::string(text) + " is not a valid dotted decimal format");
  }
}

TEST(RouterIdFromStr, DottedDecimalOnly) {
  EXPECT_EQ(base::to_debug(*RouterId::from_str("1.1.1.1")), "RouterId(1.1.1.1)");
  EXPECT_EQ(base::to_debug(*RouterId::from_str("0.0.0.0")), "RouterId(0.0.0.0)");
  for (const char* text : {"1", "1.1.1", "1.1.1.1.1", "1.1.1.256", "1.1.1.1 ", "", "1..1.1"}) {
    auto id = RouterId::from_str(text);
    ASSERT_FALSE(id) << text;
    EXPECT_EQ(to_string(id.error()), "invalid IP address syntax");
  }
}

}  // namespace
}  // namespace packet::ospf
