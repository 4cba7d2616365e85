#include "quamorsc/cli/cmd.h"

#include <gtest/gtest.h>

#include <string>

#include "base/debug_text.h"

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

}  // namespace
}  // namespace quamorsc
