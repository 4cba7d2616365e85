#include "base/semver.h"

#include <gtest/gtest.h>

namespace base::semver {
namespace {

TEST(SemverParse, AcceptsCoreWithPreReleaseAndBuild) {
  struct Case {
    const char* text;
    Version version;
  };
  const Case cases[] = {
      {"20.0.5", {20, 0, 5, {}, {}}},
      {"0.0.0", {0, 0, 0, {}, {}}},
      {"1.2.3-alpha", {1, 2, 3, {"alpha"}, {}}},
      {"1.2.3-alpha.1.0.x-y", {1, 2, 3, {"alpha", "1", "0", "x-y"}, {}}},
      {"1.2.3-0a.-", {1, 2, 3, {"0a", "-"}, {}}},
      {"1.2.3+build.007", {1, 2, 3, {}, {"build", "007"}}},
      {"1.2.3-rc-1+sha.5-f", {1, 2, 3, {"rc-1"}, {"sha", "5-f"}}},
      {"18446744073709551615.0.1", {18446744073709551615u, 0, 1, {}, {}}},
  };
  for (const Case& c : cases) {
    auto v = Version::parse(c.text);
    ASSERT_TRUE(v) << c.text << ": " << v.error();
    EXPECT_EQ(*v, c.version) << c.text;
    EXPECT_EQ(v->to_string(), c.text);
  }
}

TEST(SemverParse, RefusesMalformedText) {
  for (const char* text : {"",
                           "1",
                           "1.2",
                           "1.2.3.4",
                           "01.2.3",
                           "1.02.3",
                           "1.2.03",
                           "1..3",
                           "1.2.",
                           ".1.2",
                           "a.b.c",
                           "1.2.3-",
                           "1.2.3+",
                           "1.2.3-a..b",
                           "1.2.3-01",
                           "1.2.3-a+",
                           "1.2.3+a+b",
                           "1.2.3-é",
                           " 1.2.3",
                           "1.2.3 ",
                           "1.2.-3",
                           "+1.2.3",
                           "18446744073709551616.0.0"}) {
    auto v = Version::parse(text);
    EXPECT_FALSE(v) << text;
    if (!v) {
      EXPECT_FALSE(v.error().empty()) << text;
    }
  }
}

TEST(SemverToString, JoinsTheListsWithDots) {
  EXPECT_EQ((Version{20, 0, 5, {}, {}}.to_string()), "20.0.5");
  EXPECT_EQ((Version{20, 0, 5, {"a", "b"}, {}}.to_string()), "20.0.5-a.b");
  EXPECT_EQ((Version{20, 0, 5, {}, {"c", "d"}}.to_string()), "20.0.5+c.d");
  EXPECT_EQ((Version{20, 0, 5, {"a", "b"}, {"c", "d"}}.to_string()), "20.0.5-a.b+c.d");
}

}  // namespace
}  // namespace base::semver
