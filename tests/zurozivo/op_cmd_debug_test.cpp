#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/debug_text.h"
#include "op_cmd_samples.h"
#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd {
namespace {

using namespace samples;
using base::to_debug;

TEST(FlagsDebug, NamesTheSetBits) {
  struct Case {
    std::uint8_t bits;
    std::string_view debug;
  };
  for (const auto& c : {
           Case{0x00, "EMPTY"},
           Case{0x09, "JSON_LINES | SORT"},
           Case{0x1F, "JSON_LINES | JSON_PRETTY | JSON_MACHINE | SORT | DETAIL"},
           Case{0x14, "JSON_MACHINE | DETAIL"},
           Case{0x20, "(empty)"},
           Case{0xE0, "(empty)"},
           Case{0x21, "JSON_LINES"},
           Case{0xFF, "JSON_LINES | JSON_PRETTY | JSON_MACHINE | SORT | DETAIL"},
       }) {
    EXPECT_EQ(to_debug(Flags{c.bits}), c.debug) << int{c.bits};
  }
}

TEST(RequestOriginDebug, NamesTheSetBits) {
  struct Case {
    std::uint8_t bits;
    std::string_view debug;
  };
  for (const auto& c : {
           Case{0x00, "(empty)"},
           Case{0x01, "KERNEL"},
           Case{0x02, "OSPFV2"},
           Case{0x03, "KERNEL | OSPFV2"},
           Case{0x04, "(empty)"},
           Case{0xFE, "OSPFV2"},
       }) {
    EXPECT_EQ(to_debug(RequestOrigin{c.bits}), c.debug) << int{c.bits};
  }
}

TEST(FlagsOps, ContainsAndInsert) {
  for (unsigned bits = 0; bits < 256; ++bits) {
    EXPECT_TRUE(Flags{static_cast<std::uint8_t>(bits)}.contains(Flags::EMPTY));
  }
  EXPECT_FALSE(Flags{0x01}.contains(Flags::JSON_LINES | Flags::SORT));
  EXPECT_TRUE(Flags{0x09}.contains(Flags::JSON_LINES | Flags::SORT));

  Flags f{0x05};
  f.insert(Flags::SORT);
  EXPECT_EQ(f, Flags{0x0D});
  Flags g{0x09};
  g.insert(Flags::SORT);
  EXPECT_EQ(g, Flags{0x09});
  EXPECT_EQ((Flags::JSON_MACHINE | Flags::DETAIL).bits, 0x14);
  EXPECT_EQ((RequestOrigin::KERNEL | RequestOrigin::OSPFV2).bits, 0x03);
}

TEST(OpCmdDebug, Examples) {
  const AreaId area1 = AreaId::from(1);
  struct Case {
    OpCmd cmd;
    std::string_view debug;
  };
  for (const auto& c : {
           Case{cmd(sys(SystemRequest::Overview{})),
                "OpCmd { flags: JSON_LINES | SORT, target: System(Overview) }"},
           Case{cmd(bgp(BgpRequest::Neighs{}), Flags::JSON_MACHINE | Flags::SORT | Flags::DETAIL),
                "OpCmd { flags: JSON_MACHINE | SORT | DETAIL, target: Bgp(Neighs(None)) }"},
           Case{cmd(ospf(OspfV2Request::LsDb{area1})),
                "OpCmd { flags: JSON_LINES | SORT, target: OspfV2(LsDb(AreaId(0.0.0.1))) }"},
           Case{cmd(ospf(area({.area_id = area1, .intf_info_req = true}))),
                "OpCmd { flags: JSON_LINES | SORT, target: OspfV2(Area(OspfV2RequestArea { "
                "area_id: Some(AreaId(0.0.0.1)), intf_info_req: true, intf_name: None, "
                "neigh_info_req: false, neigh_id: None })) }"},
           Case{cmd(ospf(OspfV2Request::AsLsDb{}), Flags::EMPTY),
                "OpCmd { flags: EMPTY, target: OspfV2(AsLsDb) }"},
       }) {
    EXPECT_EQ(to_debug(c.cmd), c.debug);
  }
}

TEST(TargetDebug, EveryAlternative) {
  struct Case {
    Target target;
    std::string_view debug;
  };
  for (const auto& c : {
           Case{sys(SystemRequest::Intfs{}), "System(Intfs(None))"},
           Case{sys(SystemRequest::Intfs{"eth0"}), R"(System(Intfs(Some("eth0"))))"},
           Case{bgp(BgpRequest::Overview{}), "Bgp(Overview)"},
           Case{bgp(BgpRequest::Neighs{addr(10, 0, 0, 2)}), "Bgp(Neighs(Some(10.0.0.2)))"},
           Case{ospf(OspfV2Request::Overview{}), "OspfV2(Overview)"},
           Case{ospf(OspfV2Request::NetworkRoutes{}), "OspfV2(NetworkRoutes(None))"},
           Case{ospf(OspfV2Request::NetworkRoutes{net(addr(10, 1, 2, 3), 8)}),
                "OspfV2(NetworkRoutes(Some(Ipv4Network { addr: 10.1.2.3, prefix: 8 })))"},
           Case{ospf(OspfV2Request::RouterRoutes{}), "OspfV2(RouterRoutes(None))"},
           Case{ospf(OspfV2Request::RouterRoutes{RouterId{addr(1, 1, 1, 1)}}),
                "OspfV2(RouterRoutes(Some(RouterId(1.1.1.1))))"},
           Case{ospf(OspfV2Request::LsDb{AreaId::from(0)}), "OspfV2(LsDb(AreaId(0.0.0.0)))"},
           Case{ospf(OspfV2Request::LsDb{AreaId::from(0xFFFFFFFF)}),
                "OspfV2(LsDb(AreaId(255.255.255.255)))"},
           Case{rib(RibRequest::Overview{}), "Rib(Overview)"},
           Case{rib(RibRequest::Routes{net(addr(10, 0, 0, 0), 8), RequestOrigin::KERNEL}),
                "Rib(Routes(Some(Ipv4Network { addr: 10.0.0.0, prefix: 8 }), KERNEL))"},
           Case{
               rib(RibRequest::Routes{std::nullopt, RequestOrigin::KERNEL | RequestOrigin::OSPFV2}),
               "Rib(Routes(None, KERNEL | OSPFV2))"},
           Case{rib(RibRequest::Routes{net(addr(0, 0, 0, 0), 0), RequestOrigin{}}),
                "Rib(Routes(Some(Ipv4Network { addr: 0.0.0.0, prefix: 0 }), (empty)))"},
       }) {
    EXPECT_EQ(to_debug(c.target), c.debug);
  }
}

TEST(AreaDebug, NothingSetAndEverythingSet) {
  EXPECT_EQ(to_debug(OspfV2RequestArea{}),
            "OspfV2RequestArea { area_id: None, intf_info_req: false, intf_name: None, "
            "neigh_info_req: false, neigh_id: None }");
  EXPECT_EQ(
      to_debug(OspfV2RequestArea{.area_id = AreaId::from(2),
                                 .intf_info_req = true,
                                 .intf_name = "eth0",
                                 .neigh_info_req = true,
                                 .neigh_id = RouterId{addr(10, 0, 0, 2)}}),
      "OspfV2RequestArea { area_id: Some(AreaId(0.0.0.2)), intf_info_req: true, "
      R"(intf_name: Some("eth0"), neigh_info_req: true, neigh_id: Some(RouterId(10.0.0.2)) })");
}

TEST(InterfaceNameDebug, EscapesInsideTheQuotes) {
  struct Case {
    std::string_view name;
    std::string_view debug;
  };
  for (const auto& c : {
           Case{"", R"(System(Intfs(Some(""))))"},
           Case{"a\"b", R"(System(Intfs(Some("a\"b"))))"},
           Case{"a'b", R"(System(Intfs(Some("a\'b"))))"},
           Case{"a\\b", R"(System(Intfs(Some("a\\b"))))"},
           Case{"a\tb", R"(System(Intfs(Some("a\tb"))))"},
           Case{"\x1b", R"(System(Intfs(Some("\u{1b}"))))"},
       }) {
    EXPECT_EQ(to_debug(sys(SystemRequest::Intfs{std::string(c.name)})), c.debug) << c.name;
  }
}

}  // namespace
}  // namespace zurozivo::op_cmd
