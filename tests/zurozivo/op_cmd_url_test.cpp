#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "op_cmd_samples.h"
#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd {
namespace {

using namespace samples;

constexpr Flags kJson = Flags::JSON_MACHINE | Flags::SORT;
constexpr Flags kJsonPretty = Flags::JSON_PRETTY | Flags::SORT;

TEST(GenUrl, PathOfEveryTarget) {
  const AreaId area1 = AreaId::from(1);
  const OspfV2RequestArea neigh_without_area{
      .intf_info_req = true, .intf_name = "eth0", .neigh_info_req = true, .neigh_id = RouterId{}};
  struct Case {
    Target target;
    std::string_view path;
  };
  for (const auto& c : {
           Case{sys(SystemRequest::Overview{}), "/system"},
           Case{sys(SystemRequest::Intfs{}), "/system/intf"},
           Case{sys(SystemRequest::Intfs{"eth0"}), "/system/intf"},
           Case{bgp(BgpRequest::Overview{}), "/bgp"},
           Case{bgp(BgpRequest::Neighs{}), "/bgp/neighs"},
           Case{bgp(BgpRequest::Neighs{addr(10, 0, 0, 2)}), "/bgp/neighs"},
           Case{ospf(OspfV2Request::Overview{}), "/ospfv2"},
           Case{ospf(OspfV2Request::AsLsDb{}), "/ospfv2/lsdb"},
           Case{ospf(OspfV2Request::LsDb{area1}), "/ospfv2/area?area_id=0.0.0.1/lsdb"},
           Case{ospf(area({.area_id = area1})), "/ospfv2/area?area_id=0.0.0.1"},
           Case{ospf(area({.area_id = area1, .intf_info_req = true, .intf_name = "eth0"})),
                "/ospfv2/area?area_id=0.0.0.1/intf"},
           Case{ospf(area({.area_id = area1, .intf_info_req = true, .neigh_info_req = true})),
                "/ospfv2/area?area_id=0.0.0.1/intf/neigh"},
           Case{ospf(area({.area_id = area1, .neigh_info_req = true, .neigh_id = RouterId{}})),
                "/ospfv2/area?area_id=0.0.0.1/intf/neigh"},
           Case{ospf(area({.area_id = AreaId::from(0)})), "/ospfv2/area?area_id=0.0.0.0"},
           Case{ospf(area({.area_id = AreaId::from(0xFFFFFFFF)})),
                "/ospfv2/area?area_id=255.255.255.255"},
           Case{ospf(area(neigh_without_area)), ""},
           Case{ospf(OspfV2Request::NetworkRoutes{}), "/ospfv2/prefix-network"},
           Case{ospf(OspfV2Request::NetworkRoutes{net(addr(10, 1, 2, 3), 8)}),
                "/ospfv2/prefix-network"},
           Case{ospf(OspfV2Request::RouterRoutes{RouterId{addr(1, 1, 1, 1)}}),
                "/ospfv2/prefix-router"},
           Case{rib(RibRequest::Overview{}), "/ribv4"},
           Case{rib(RibRequest::Routes{net(addr(10, 0, 0, 0), 8), RequestOrigin::KERNEL}),
                "/ribv4/prefix"},
       }) {
    EXPECT_EQ(gen_url(c.target), c.path);
    EXPECT_EQ(cmd(c.target).gen_url(), c.path);  // default flags add no suffix
  }
}

TEST(GenUrl, WholePathExamples) {
  const OspfV2RequestArea eth0_neigh{.area_id = AreaId::from(2),
                                     .intf_info_req = true,
                                     .intf_name = "eth0",
                                     .neigh_info_req = true,
                                     .neigh_id = RouterId{addr(1, 1, 1, 1)}};
  struct Case {
    OpCmd cmd;
    std::string_view path;
  };
  for (const auto& c : {
           Case{cmd(sys(SystemRequest::Overview{})), "/system"},
           Case{cmd(sys(SystemRequest::Overview{}), kJson), "/system/json"},
           Case{cmd(bgp(BgpRequest::Neighs{addr(10, 0, 0, 2)}), kJsonPretty),
                "/bgp/neighs/json-pretty"},
           Case{cmd(ospf(OspfV2Request::LsDb{AreaId::from(1)})),
                "/ospfv2/area?area_id=0.0.0.1/lsdb"},
           Case{cmd(ospf(area(eth0_neigh)), kJson), "/ospfv2/area?area_id=0.0.0.2/intf/neigh/json"},
           Case{cmd(ospf(area({.area_id = AreaId::from(1)})), Flags::JSON_LINES | Flags::DETAIL),
                "/ospfv2/area?area_id=0.0.0.1"},
           Case{cmd(rib(RibRequest::Routes{net(addr(10, 0, 0, 0), 8), RequestOrigin::KERNEL})),
                "/ribv4/prefix"},
       }) {
    EXPECT_EQ(c.cmd.gen_url(), c.path);
  }
}

TEST(GenUrl, SuffixFollowsTheFormatBits) {
  const Target target = bgp(BgpRequest::Overview{});
  using F = Flags;
  EXPECT_EQ(cmd(target, F::EMPTY).gen_url(), "/bgp");
  EXPECT_EQ(cmd(target, F::JSON_LINES).gen_url(), "/bgp");
  EXPECT_EQ(cmd(target, F::JSON_LINES | F::SORT | F::DETAIL).gen_url(), "/bgp");
  EXPECT_EQ(cmd(target, F::JSON_MACHINE).gen_url(), "/bgp/json");
  EXPECT_EQ(cmd(target, F::JSON_PRETTY).gen_url(), "/bgp/json-pretty");
  EXPECT_EQ(cmd(target, F::JSON_PRETTY | F::JSON_MACHINE).gen_url(),
            "/bgp/json-pretty");                                      // pretty wins
  EXPECT_EQ(cmd(target, Flags{0xFF}).gen_url(), "/bgp/json-pretty");  // every bit, named or not
}

TEST(GenUrl, AreaWithoutIdIsEmptyButStillGetsTheSuffix) {
  const Target target = ospf(area({}));
  EXPECT_EQ(nothing_found(), "");
  EXPECT_EQ(
      gen_url(
          std::get<OspfV2Request::Area>(std::get<Target::OspfV2>(target.value).request.value).area),
      "");
  EXPECT_EQ(cmd(target).gen_url(), "");
  EXPECT_EQ(cmd(target, kJson).gen_url(), "/json");
  EXPECT_EQ(cmd(target, kJsonPretty).gen_url(), "/json-pretty");
}

}  // namespace
}  // namespace zurozivo::op_cmd
