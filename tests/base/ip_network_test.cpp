#include "base/ip_network.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/debug_text.h"

namespace base {
namespace {

std::string v4_result(std::string_view text) {
  auto net = parse_ipv4_network(text);
  return net ? to_debug(*net) : "error: " + net.error();
}

std::string ip_result(std::string_view text) {
  auto net = parse_ip_network(text);
  return net ? to_debug(*net) : "error: " + net.error();
}

TEST(ParseIpv4Network, AcceptsAddressesWithAndWithoutLength) {
  struct Case {
    const char* text;
    const char* debug;
  };
  for (auto c : {
           Case{"10.0.0.0/8", "Ipv4Network { addr: 10.0.0.0, prefix: 8 }"},
           Case{"10.1.2.3/8", "Ipv4Network { addr: 10.1.2.3, prefix: 8 }"},
           Case{"10.0.0.0", "Ipv4Network { addr: 10.0.0.0, prefix: 32 }"},
           Case{"10.0.0.0/+8", "Ipv4Network { addr: 10.0.0.0, prefix: 8 }"},
           Case{"10.0.0.0/08", "Ipv4Network { addr: 10.0.0.0, prefix: 8 }"},
           Case{"10.0.0.0/0000000008", "Ipv4Network { addr: 10.0.0.0, prefix: 8 }"},
           Case{"0.0.0.0/0", "Ipv4Network { addr: 0.0.0.0, prefix: 0 }"},
           Case{"255.255.255.255/32", "Ipv4Network { addr: 255.255.255.255, prefix: 32 }"},
           Case{"010.000.000.001/24", "Ipv4Network { addr: 10.0.0.1, prefix: 24 }"},
       }) {
    EXPECT_EQ(v4_result(c.text), c.debug) << c.text;
  }
}

TEST(ParseIpv4Network, ReportsTheFirstFailingStep) {
  struct Case {
    const char* text;
    const char* error;
  };
  for (auto c : {
           Case{"10.0.0.0/33", "invalid prefix"},
           Case{"10.0.0.0/256", "invalid prefix"},
           Case{"10.0.0.0/", "invalid prefix"},
           Case{"10.0.0.0/255.0.0.0", "invalid prefix"},
           Case{"10.0.0.0/+", "invalid prefix"},
           Case{"10.0.0.0/++8", "invalid prefix"},
           Case{"10.0.0.0/-8", "invalid prefix"},
           Case{"10.0.0.0/ 8", "invalid prefix"},
           Case{"10.0.0.0/8 ", "invalid prefix"},
           Case{"10.0.0.0/99999999999999999999", "invalid prefix"},
           Case{"10.0.0.0/8/9",
                "invalid cidr format: CIDR must contain a single '/': 10.0.0.0/8/9"},
           Case{"//", "invalid cidr format: CIDR must contain a single '/': //"},
           // The format is checked before the address.
           Case{"x/y/z", "invalid cidr format: CIDR must contain a single '/': x/y/z"},
           Case{"/8", "invalid address: "},
           Case{"", "invalid address: "},
           Case{"10.0.0.256/24", "invalid address: 10.0.0.256"},
           // The address is checked before the length.
           Case{"10.0.0/99", "invalid address: 10.0.0"},
           Case{" 10.0.0.0/8", "invalid address:  10.0.0.0"},
           Case{"2001:db8::/32", "invalid address: 2001:db8::"},
           Case{"::ffff:10.0.0.1", "invalid address: ::ffff:10.0.0.1"},
       }) {
    EXPECT_EQ(v4_result(c.text), std::string("error: ") + c.error) << c.text;
  }
}

TEST(Ipv4Network, NetworkClearsHostBits) {
  struct Case {
    const char* text;
    const char* network;
  };
  for (auto c : {Case{"10.1.2.3/8", "10.0.0.0/8"}, Case{"10.1.2.3/0", "0.0.0.0/0"},
                 Case{"10.1.2.3/32", "10.1.2.3/32"}, Case{"255.255.255.255/1", "128.0.0.0/1"},
                 Case{"10.1.2.255/31", "10.1.2.254/31"}, Case{"10.1.2.3/23", "10.1.2.0/23"}}) {
    auto net = parse_ipv4_network(c.text);
    ASSERT_TRUE(net) << c.text;
    EXPECT_EQ(to_string(net->network()), c.network) << c.text;
    EXPECT_EQ(to_string(*net), c.text) << "stored as typed";
  }
}

TEST(ParseIpNetwork, TriesIpv4ThenIpv6) {
  struct Case {
    const char* text;
    const char* debug;
  };
  for (auto c : {
           Case{"10.0.0.0/8", "V4(Ipv4Network { addr: 10.0.0.0, prefix: 8 })"},
           Case{"10.1.2.3", "V4(Ipv4Network { addr: 10.1.2.3, prefix: 32 })"},
           Case{"2001:db8::/32", "V6(Ipv6Network { addr: 2001:db8::, prefix: 32 })"},
           Case{"2001:db8::1/64", "V6(Ipv6Network { addr: 2001:db8::1, prefix: 64 })"},
           Case{"::ffff:10.0.0.1", "V6(Ipv6Network { addr: ::ffff:10.0.0.1, prefix: 128 })"},
           Case{"::/0", "V6(Ipv6Network { addr: ::, prefix: 0 })"},
           Case{"::1/+128", "V6(Ipv6Network { addr: ::1, prefix: 128 })"},
           Case{"::1/0128", "V6(Ipv6Network { addr: ::1, prefix: 128 })"},
       }) {
    EXPECT_EQ(ip_result(c.text), c.debug) << c.text;
  }
}

TEST(ParseIpNetwork, NamesTheWholeTextWhenBothFail) {
  for (const char* text : {"10.0.0.0/33", "2001:db8::/129", "2001:db8::/256", "2001:db8::/",
                           "10.0.0.0/8/9", "::/1/2", "/8", "", "10.0.0.256", "1:2:3:4:5:6:7:8:9",
                           "[::1]", "fe80::1%eth0", "2001:db8::/ 32", " ::1", "::1 ", "::/-1"}) {
    EXPECT_EQ(ip_result(text), "error: invalid address: " + std::string(text)) << text;
  }
}

TEST(ParseIpNetwork, ReadsTheIpv6TextForms) {
  struct Case {
    const char* text;
    std::vector<std::uint16_t> groups;
  };
  for (auto c : {
           Case{"::", {0, 0, 0, 0, 0, 0, 0, 0}},
           Case{"::1", {0, 0, 0, 0, 0, 0, 0, 1}},
           Case{"1::", {1, 0, 0, 0, 0, 0, 0, 0}},
           Case{"1:2:3:4:5:6:7:8", {1, 2, 3, 4, 5, 6, 7, 8}},
           Case{"ABCD:ef01:0:00:000:0000:Ff:fF", {0xabcd, 0xef01, 0, 0, 0, 0, 0xff, 0xff}},
           Case{"1::8", {1, 0, 0, 0, 0, 0, 0, 8}},
           Case{"1:2:3:4:5:6:7::", {1, 2, 3, 4, 5, 6, 7, 0}},
           Case{"::2:3:4:5:6:7:8", {0, 2, 3, 4, 5, 6, 7, 8}},
           Case{"1:2:3::6:7:8", {1, 2, 3, 0, 0, 6, 7, 8}},
           Case{"::1.2.3.4", {0, 0, 0, 0, 0, 0, 0x0102, 0x0304}},
           Case{"::ffff:1.2.3.4", {0, 0, 0, 0, 0, 0xffff, 0x0102, 0x0304}},
           Case{"1:2:3:4:5:6:255.255.0.1", {1, 2, 3, 4, 5, 6, 0xffff, 0x0001}},
           Case{"1::6:1.2.3.4", {1, 0, 0, 0, 0, 6, 0x0102, 0x0304}},
           Case{"1:2:3:4:5::1.2.3.4", {1, 2, 3, 4, 5, 0, 0x0102, 0x0304}},
           Case{"::010.000.000.001", {0, 0, 0, 0, 0, 0, 0x0a00, 0x0001}},
       }) {
    auto net = parse_ip_network(c.text);
    ASSERT_TRUE(net) << c.text;
    const auto* v6 = std::get_if<Ipv6Network>(&*net);
    ASSERT_NE(v6, nullptr) << c.text;
    Ipv6Addr want;
    for (std::size_t i = 0; i < 8; ++i) {
      want.octets[2 * i] = static_cast<std::uint8_t>(c.groups[i] >> 8);
      want.octets[2 * i + 1] = static_cast<std::uint8_t>(c.groups[i]);
    }
    EXPECT_EQ(v6->addr, want) << c.text;
    EXPECT_EQ(v6->prefix, 128) << c.text;
  }
}

TEST(ParseIpNetwork, RefusesMalformedIpv6Text) {
  for (const char* text : {
           ":",
           ":::",
           "1:::2",
           "::1::",
           "1::2::3",
           ":1::2",
           "1::2:",
           "1:2:3:4:5:6:7",
           "1:2:3:4:5:6:7:8:9",
           "1:2:3:4::5:6:7:8",  // "::" must stand for at least one group
           "12345::",
           "g::",
           "::-1",
           "::+1",
           ":1.2.3.4",
           "1.2.3.4::",
           "::1.2.3.4:1",
           "::1.2.3",
           "::1.2.3.4.5",
           "::256.0.0.1",
           "1:2:3:4:5:6:7:1.2.3.4",
           "1:2:3:4:5:6::1.2.3.4",
           "::ffff:1.2.3.4/8/8",
           "1.2::3",
           "::1 ",
       }) {
    EXPECT_FALSE(parse_ip_network(text)) << text;
  }
  // An embedded NUL inside the text is not an end of the text.
  EXPECT_FALSE(parse_ip_network(std::string_view("::1\0", 4)));
  EXPECT_FALSE(parse_ipv4_network(std::string_view("1.2.3.4\0", 8)));
}

Ipv6Addr from_groups(std::initializer_list<std::uint16_t> groups) {
  Ipv6Addr addr;
  std::size_t i = 0;
  for (auto g : groups) {
    addr.octets[i++] = static_cast<std::uint8_t>(g >> 8);
    addr.octets[i++] = static_cast<std::uint8_t>(g);
  }
  return addr;
}

TEST(AppendIpv6, WritesTheShortestForm) {
  struct Case {
    Ipv6Addr addr;
    const char* text;
  };
  for (const auto& c : {
           Case{from_groups({0, 0, 0, 0, 0, 0, 0, 0}), "::"},
           Case{from_groups({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
           Case{from_groups({0, 0, 0, 0, 0, 0, 0, 2}), "::0.0.0.2"},
           Case{from_groups({0, 0, 0, 0, 0, 0, 0x0102, 0x0304}), "::1.2.3.4"},
           Case{from_groups({0, 0, 0, 0, 0, 0, 0x0001, 0}), "::0.1.0.0"},
           Case{from_groups({0, 0, 0, 0, 0, 0xffff, 0x0a00, 0x0001}), "::ffff:10.0.0.1"},
           Case{from_groups({0, 0, 0, 0, 0, 0xffff, 0, 0}), "::ffff:0.0.0.0"},
           Case{from_groups({0, 0, 0, 0, 0, 0xfffe, 0, 1}), "::fffe:0:1"},
           Case{from_groups({0, 0, 0, 0, 1, 0xffff, 0, 1}), "::1:ffff:0:1"},
           Case{from_groups({0x2001, 0x0db8, 0, 0, 0, 0, 0, 1}), "2001:db8::1"},
           Case{from_groups({0x2001, 0x0db8, 0, 0, 0, 0, 0, 0}), "2001:db8::"},
           Case{from_groups({1, 2, 3, 4, 5, 6, 7, 8}), "1:2:3:4:5:6:7:8"},
           Case{from_groups({0xABCD, 0x00EF, 0, 0x0100, 0, 0, 0, 0x1000}), "abcd:ef:0:100::1000"},
           // A single zero group stays as it is.
           Case{from_groups({1, 0, 2, 0, 3, 0, 4, 0}), "1:0:2:0:3:0:4:0"},
           Case{from_groups({0, 1, 2, 3, 4, 5, 6, 7}), "0:1:2:3:4:5:6:7"},
           // Of two equally long runs, the first is compressed.
           Case{from_groups({1, 0, 0, 2, 3, 0, 0, 4}), "1::2:3:0:0:4"},
           // A longer later run wins over a shorter earlier one.
           Case{from_groups({1, 0, 0, 2, 0, 0, 0, 3}), "1:0:0:2::3"},
           Case{from_groups({0, 0, 1, 0, 0, 0, 0, 0}), "0:0:1::"},
           Case{from_groups({0, 0, 1, 2, 3, 4, 5, 6}), "::1:2:3:4:5:6"},
           Case{from_groups({1, 0, 0, 0, 0, 0, 0, 0}), "1::"},
           Case{from_groups({0xfe80, 0, 0, 0, 0, 0, 0, 0}), "fe80::"},
       }) {
    std::string out = "x";
    append_ipv6(out, c.addr);
    EXPECT_EQ(out, std::string("x") + c.text);
    // What is written reads back to the same address.
    auto back = parse_ip_network(c.text);
    ASSERT_TRUE(back) << c.text;
    ASSERT_TRUE(std::holds_alternative<Ipv6Network>(*back)) << c.text;
    EXPECT_EQ(std::get<Ipv6Network>(*back).addr, c.addr) << c.text;
  }
}

TEST(IpNetworkDebug, RecordsAndVariants) {
  Ipv4Network v4{Ipv4Addr::from_u32(0x0a010203), 8};
  Ipv6Network v6{from_groups({0x2001, 0x0db8, 0, 0, 0, 0, 0, 1}), 64};
  EXPECT_EQ(to_debug(v4), "Ipv4Network { addr: 10.1.2.3, prefix: 8 }");
  EXPECT_EQ(to_debug(v6), "Ipv6Network { addr: 2001:db8::1, prefix: 64 }");
  EXPECT_EQ(to_debug(IpNetwork{v4}), "V4(Ipv4Network { addr: 10.1.2.3, prefix: 8 })");
  EXPECT_EQ(to_debug(IpNetwork{v6}), "V6(Ipv6Network { addr: 2001:db8::1, prefix: 64 })");
  EXPECT_EQ(to_debug(std::optional<std::optional<IpNetwork>>(IpNetwork{v4})),
            "Some(Some(V4(Ipv4Network { addr: 10.1.2.3, prefix: 8 })))");
}

TEST(ParseIpNetwork, SurvivesEveryShortText) {
  // Every text of up to three characters from an alphabet of the grammar's own symbols.
  const std::string alphabet = ":./+0f9gF ";
  std::vector<std::string> texts{""};
  for (int len = 0; len < 3; ++len) {
    std::vector<std::string> longer;
    for (const auto& t : texts) {
      for (char c : alphabet) {
        longer.push_back(t + c);
      }
    }
    for (const auto& t : longer) {
      auto v4 = parse_ipv4_network(t);
      auto ip = parse_ip_network(t);
      EXPECT_FALSE(v4) << t;
      if (!ip) {
        EXPECT_EQ(ip.error(), "invalid address: " + t);
      } else {
        EXPECT_TRUE(std::holds_alternative<Ipv6Network>(*ip)) << t;
      }
    }
    texts = std::move(longer);
  }
}

}  // namespace
}  // namespace base
