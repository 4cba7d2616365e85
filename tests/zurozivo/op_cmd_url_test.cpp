#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "op_cmd_samples.h"
#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd {
namespace {

using namespace samples;

constexpr std::uint8_t kJson = 0x0C;        // JSON_MACHINE | SORT
constexpr std::uint8_t kJsonPretty = 0x0A;  // JSON_PRETTY | SORT

TEST(GenUrl, PathOfEveryTarget) {
  const AreaId area1 = AreaId::from(1);
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
           Case{ospf(area(area1, false, std::nullopt, false, std::nullopt)),
                "/ospfv2/area?area_id=0.0.0.1"},
           Case{ospf(area(area1, true, "eth0", false, std::nullopt)),
                "/ospfv2/area?area_id=0.0.0.1/intf"},
           Case{ospf(area(area1, true, std::nullopt, true, std::nullopt)),
                "/ospfv2/area?area_id=0.0.0.1/intf/neigh"},
           Case{ospf(area(area1, false, std::nullopt, true, RouterId{})),
                "/ospfv2/area?area_id=0.0.0.1/intf/neigh"},
           Case{ospf(area(AreaId::from(0), false, std::nullopt, false, std::nullopt)),
                "/ospfv2/area?area_id=0.0.0.0"},
           Case{ospf(area(AreaId::from(0xFFFFFFFF), false, std::nullopt, false, std::nullopt)),
                "/ospfv2/area?area_id=255.255.255.255"},
           Case{ospf(area(std::nullopt, true, "eth0", true, RouterId{})), ""},
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
           Case{cmd(ospf(area(AreaId::from(2), true, "eth0", true, RouterId{addr(1, 1, 1, 1)})),
                    kJson),
                "/ospfv2/area?area_id=0.0.0.2/intf/neigh/json"},
           Case{cmd(ospf(area(AreaId::from(1), false, std::nullopt, false, std::nullopt)), 0x11),
                "/ospfv2/area?area_id=0.0.0.1"},
           Case{cmd(rib(RibRequest::Routes{net(addr(10, 0, 0, 0), 8), RequestOrigin::KERNEL})),
                "/ribv4/prefix"},
       }) {
    EXPECT_EQ(c.cmd.gen_url(), c.path);
  }
}

TEST(GenUrl, SuffixFollowsTheFormatBits) {
  const Target target = bgp(BgpRequest::Overview{});
  EXPECT_EQ(cmd(target, 0x00).gen_url(), "/bgp");
  EXPECT_EQ(cmd(target, 0x01).gen_url(), "/bgp");
  EXPECT_EQ(cmd(target, 0x19).gen_url(), "/bgp");
  EXPECT_EQ(cmd(target, 0x04).gen_url(), "/bgp/json");
  EXPECT_EQ(cmd(target, 0x02).gen_url(), "/bgp/json-pretty");
  EXPECT_EQ(cmd(target, 0x06).gen_url(), "/bgp/json-pretty");  // pretty wins
  EXPECT_EQ(cmd(target, 0xFF).gen_url(), "/bgp/json-pretty");
}

TEST(GenUrl, AreaWithoutIdIsEmptyButStillGetsTheSuffix) {
  const Target target = ospf(area(std::nullopt, false, std::nullopt, false, std::nullopt));
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
