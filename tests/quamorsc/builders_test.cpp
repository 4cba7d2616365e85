#include "quamorsc/request/builders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quamorsc {
namespace {

namespace op = zurozivo::op_cmd;
using base::Ipv4Addr;
using base::Ipv4Network;
using packet::ospf::AreaId;
using packet::ospf::RouterId;

template <class T>
TwoLevel<T> bare() {
  return TwoLevel<T>(std::in_place, std::nullopt);
}
template <class T>
TwoLevel<T> with(T value) {
  return TwoLevel<T>(std::in_place, std::move(value));
}

Ipv4Network net(std::uint32_t addr, std::uint8_t prefix) {
  return {Ipv4Addr::from_u32(addr), prefix};
}
const AreaId kArea1 = AreaId::from(1);
const RouterId kRouter = RouterId{Ipv4Addr::from_u32(0x01010101)};

CommonArgs common_with(bool detail, bool json, bool pretty, bool unsorted) {
  CommonArgs c;
  c.detail = detail;
  c.json_format = json;
  c.json_pretty = pretty;
  c.unsorted = unsorted;
  return c;
}

TEST(GetFlags, OneFormatBitSortUnlessUnsortedAndDetail) {
  struct Case {
    CommonArgs common;
    std::uint8_t bits;
  };
  for (const auto& c : {
           Case{common_with(false, false, false, false), 9},
           Case{common_with(false, true, false, false), 12},
           Case{common_with(false, false, true, false), 10},
           Case{common_with(true, false, false, false), 25},
           Case{common_with(false, false, false, true), 1},
           Case{common_with(true, true, false, true), 20},
           Case{common_with(true, false, true, true), 18},
           // Refused by the rules before it gets here, but machine JSON wins.
           Case{common_with(false, true, true, false), 12},
       }) {
    EXPECT_EQ(get_flags(c.common).bits, c.bits) << unsigned{c.bits};
    EXPECT_EQ(get_flags(SystemCmdArgs{c.common, {}}).bits, c.bits);
    EXPECT_EQ(get_flags(BgpCmdArgs{c.common, {}}).bits, c.bits);
    EXPECT_EQ(get_flags(OspfV2CmdArgs{c.common, {}, {}, {}, {}, {}, {}}).bits, c.bits);
    EXPECT_EQ(get_flags(RibCmdArgs{c.common, {}, {}}).bits, c.bits);
  }
}

TEST(CommonRules, JsonClashComesFirstThenShowUrlWithoutHost) {
  const std::string clash = "Output cannot be formatted to --json *and* --json-pretty";
  const std::string no_host = "Requested to show a URL, but --host option is not set";
  struct Case {
    bool json, pretty, show_url;
    std::optional<std::string> host;
    std::string error;  // empty: passes
  };
  for (const auto& c : {
           Case{true, true, false, std::nullopt, clash},
           Case{true, true, true, std::nullopt, clash},
           Case{true, true, true, "h", clash},
           Case{false, false, true, std::nullopt, no_host},
           Case{true, false, true, std::nullopt, no_host},
           Case{false, false, true, "", ""},
           Case{false, false, true, "router1", ""},
           Case{false, false, false, "router1", ""},
           Case{true, false, false, std::nullopt, ""},
           Case{false, true, false, std::nullopt, ""},
       }) {
    CommonArgs common;
    common.json_format = c.json;
    common.json_pretty = c.pretty;
    common.show_url = c.show_url;
    common.host = c.host;
    auto check = sanity_check(common);
    EXPECT_EQ(check ? "" : check.error(), c.error);
    // Every builder refuses with the common text before its own rules.
    auto sys = op_cmd_system(SystemCmdArgs{common, {}});
    EXPECT_EQ(sys ? "" : sys.error(), c.error);
    auto bgp = op_cmd_bgp(BgpCmdArgs{common, {}});
    EXPECT_EQ(bgp ? "" : bgp.error(), c.error);
    if (!c.error.empty()) {
      OspfV2CmdArgs ospf{common, true, bare<Ipv4Network>(), {}, bare<AreaId>(), {}, {}};
      EXPECT_EQ(op_cmd_ospfv2(ospf).error(), c.error);
      EXPECT_EQ(op_cmd_rib(RibCmdArgs{common, {}, "bogus"}).error(), c.error);
    }
  }
}

TEST(Builders, NoOptionsGiveTheOverviews) {
  const Flags flags{9};
  EXPECT_EQ(op_cmd_system({}),
            (OpCmd{flags, {op::Target::System{{op::SystemRequest::Overview{}}}}}));
  EXPECT_EQ(op_cmd_bgp({}), (OpCmd{flags, {op::Target::Bgp{{op::BgpRequest::Overview{}}}}}));
  EXPECT_EQ(op_cmd_ospfv2({}),
            (OpCmd{flags, {op::Target::OspfV2{{op::OspfV2Request::Overview{}}}}}));
  EXPECT_EQ(op_cmd_rib({}), (OpCmd{flags, {op::Target::Rib{{op::RibRequest::Overview{}}}}}));
}

TEST(Builders, SystemInterfaces) {
  struct Case {
    TwoLevel<std::string> intf;
    op::SystemRequest request;
  };
  for (const auto& c : {
           Case{bare<std::string>(), {op::SystemRequest::Intfs{std::nullopt}}},
           Case{with<std::string>("eth0"), {op::SystemRequest::Intfs{"eth0"}}},
           Case{with<std::string>(""), {op::SystemRequest::Intfs{""}}},
       }) {
    SystemCmdArgs args{common_with(true, false, true, false), c.intf};
    EXPECT_EQ(op_cmd_system(args), (OpCmd{Flags{26}, {op::Target::System{c.request}}}));
  }
}

TEST(Builders, BgpNeighbours) {
  BgpCmdArgs args;
  args.neigh_id = bare<Ipv4Addr>();
  EXPECT_EQ(op_cmd_bgp(args),
            (OpCmd{Flags{9}, {op::Target::Bgp{{op::BgpRequest::Neighs{std::nullopt}}}}}));
  args.neigh_id = with(Ipv4Addr::from_u32(0x0a000001));
  EXPECT_EQ(op_cmd_bgp(args),
            (OpCmd{Flags{9},
                   {op::Target::Bgp{{op::BgpRequest::Neighs{Ipv4Addr::from_u32(0x0a000001)}}}}}));
}

// The OSPFv2 options one by one, so that each case names only what it gives.
struct Ospf {
  OspfV2CmdArgs args;
  Ospf&& lsdb() && {
    args.ls_db = true;
    return std::move(*this);
  }
  Ospf&& network(TwoLevel<Ipv4Network> v) && {
    args.network_routes = v;
    return std::move(*this);
  }
  Ospf&& router(TwoLevel<RouterId> v) && {
    args.router_routes = v;
    return std::move(*this);
  }
  Ospf&& area(TwoLevel<AreaId> v) && {
    args.area_id = v;
    return std::move(*this);
  }
  Ospf&& intf(TwoLevel<std::string> v) && {
    args.intf_name = std::move(v);
    return std::move(*this);
  }
  Ospf&& neigh(TwoLevel<RouterId> v) && {
    args.neigh_id = v;
    return std::move(*this);
  }
};

TEST(OspfV2Rules, FirstBrokenRuleDecides) {
  const std::string missing_area = "Missing Area Id to lookup Area LS DB";
  const std::string one_of = "Specify one of LsDb, Area, Network Routes OR Router Routes";
  const std::string neigh_intf = "Neigh information requires an Interface";
  const std::string neigh_area = "Neigh information requires an Area";
  const std::string intf_area = "Interface information requires an Area";
  struct Case {
    const char* name;
    OspfV2CmdArgs options;
    std::string error;
  };
  const auto b_area = bare<AreaId>();
  const auto area1 = with(kArea1);
  const auto b_net = bare<Ipv4Network>();
  const auto b_router = bare<RouterId>();
  const auto b_intf = bare<std::string>();
  const auto eth0 = with<std::string>("eth0");
  const auto b_neigh = bare<RouterId>();
  for (const auto& c : std::vector<Case>{
           {"lsdb bare area", Ospf().lsdb().area(b_area).args, missing_area},
           {"lsdb bare area before count", Ospf().lsdb().network(b_net).area(b_area).args,
            missing_area},
           {"bare area bare network", Ospf().network(b_net).area(b_area).args, one_of},
           {"lsdb router", Ospf().lsdb().router(b_router).args, one_of},
           {"lsdb network", Ospf().lsdb().network(b_net).args, one_of},
           {"network router", Ospf().network(b_net).router(with(kRouter)).args, one_of},
           {"area router", Ospf().router(b_router).area(area1).args, one_of},
           {"lsdb area router", Ospf().lsdb().router(with(kRouter)).area(area1).args, one_of},
           {"count before neigh", Ospf().network(b_net).router(b_router).neigh(b_neigh).args,
            one_of},
           {"neigh alone", Ospf().neigh(b_neigh).args, neigh_intf},
           {"neigh with area", Ospf().area(area1).neigh(with(kRouter)).args, neigh_intf},
           {"neigh intf no area", Ospf().intf(eth0).neigh(b_neigh).args, neigh_area},
           {"neigh intf lsdb no area", Ospf().lsdb().intf(b_intf).neigh(b_neigh).args, neigh_area},
           {"intf no area", Ospf().intf(eth0).args, intf_area},
           {"bare intf no area", Ospf().intf(b_intf).args, intf_area},
           {"intf lsdb", Ospf().lsdb().intf(eth0).args, intf_area},
           {"intf network", Ospf().network(b_net).intf(eth0).args, intf_area},
           {"intf router", Ospf().router(b_router).intf(eth0).args, intf_area},
           // Passing combinations.
           {"lsdb alone", Ospf().lsdb().args, ""},
           {"lsdb area", Ospf().lsdb().area(area1).args, ""},
           {"lsdb area intf neigh", Ospf().lsdb().area(area1).intf(eth0).neigh(with(kRouter)).args,
            ""},
           {"bare area intf neigh", Ospf().area(b_area).intf(b_intf).neigh(b_neigh).args, ""},
           {"network alone", Ospf().network(b_net).args, ""},
           {"router alone", Ospf().router(b_router).args, ""},
       }) {
    auto check = sanity_check(c.options);
    EXPECT_EQ(check ? "" : check.error(), c.error) << c.name;
    auto built = op_cmd_ospfv2(c.options);
    EXPECT_EQ(built ? "" : built.error(), c.error) << c.name;
  }
}

TEST(Builders, OspfV2Requests) {
  struct Case {
    const char* name;
    OspfV2CmdArgs options;
    op::OspfV2Request request;
  };
  using R = op::OspfV2Request;
  for (const auto& c : std::vector<Case>{
           {"lsdb", Ospf().lsdb().args, {R::AsLsDb{}}},
           {"lsdb area", Ospf().lsdb().area(with(kArea1)).args, {R::LsDb{kArea1}}},
           {"lsdb area intf neigh",
            Ospf()
                .lsdb()
                .area(with(kArea1))
                .intf(with<std::string>("eth0"))
                .neigh(with(kRouter))
                .args,
            {R::LsDb{kArea1}}},
           {"bare area",
            Ospf().area(bare<AreaId>()).args,
            {R::Area{{std::nullopt, false, {}, false, {}}}}},
           {"bare area intf neigh",
            Ospf().area(bare<AreaId>()).intf(bare<std::string>()).neigh(bare<RouterId>()).args,
            {R::Area{{std::nullopt, true, std::nullopt, true, std::nullopt}}}},
           {"area intf",
            Ospf().area(with(kArea1)).intf(with<std::string>("eth0")).args,
            {R::Area{{kArea1, true, "eth0", false, std::nullopt}}}},
           {"area intf neigh",
            Ospf().area(with(kArea1)).intf(with<std::string>("eth0")).neigh(with(kRouter)).args,
            {R::Area{{kArea1, true, "eth0", true, kRouter}}}},
           {"network keeps host bits",
            Ospf().network(with(net(0x0a010203, 8))).args,
            {R::NetworkRoutes{net(0x0a010203, 8)}}},
           {"bare network",
            Ospf().network(bare<Ipv4Network>()).args,
            {R::NetworkRoutes{std::nullopt}}},
           {"router", Ospf().router(with(kRouter)).args, {R::RouterRoutes{kRouter}}},
           {"bare router", Ospf().router(bare<RouterId>()).args, {R::RouterRoutes{std::nullopt}}},
       }) {
    EXPECT_EQ(op_cmd_ospfv2(c.options), (OpCmd{Flags{9}, {op::Target::OspfV2{c.request}}}))
        << c.name;
  }
}

TEST(RibRules, OriginNeedsAPrefix) {
  for (const char* origin : {"kernel", "ospfv2", "bogus", ""}) {
    RibCmdArgs args{{}, {}, origin};
    EXPECT_EQ(op_cmd_rib(args).error(),
              "RIB: No prefixes requested, but prefix origin has been specified")
        << origin;
  }
}

TEST(Builders, RibRoutesWithNetworkAddressAndOrigin) {
  const auto both = op::RequestOrigin::KERNEL | op::RequestOrigin::OSPFV2;
  struct Case {
    TwoLevel<base::IpNetwork> network;
    std::optional<std::string> origin;
    std::optional<Ipv4Network> sent;
    op::RequestOrigin want_origin;
  };
  for (const auto& c : {
           Case{bare<base::IpNetwork>(), std::nullopt, std::nullopt, both},
           Case{bare<base::IpNetwork>(), "ospfv2", std::nullopt, op::RequestOrigin::OSPFV2},
           Case{with<base::IpNetwork>(net(0x0a010203, 8)), "kernel", net(0x0a000000, 8),
                op::RequestOrigin::KERNEL},
           Case{with<base::IpNetwork>(net(0x0a010203, 8)), "ospfv2", net(0x0a000000, 8),
                op::RequestOrigin::OSPFV2},
           Case{with<base::IpNetwork>(net(0x0a010203, 0)), std::nullopt, net(0, 0), both},
           Case{with<base::IpNetwork>(net(0x0a010203, 32)), std::nullopt, net(0x0a010203, 32),
                both},
           Case{with<base::IpNetwork>(net(0xc0a801ff, 25)), std::nullopt, net(0xc0a80180, 25),
                both},
       }) {
    RibCmdArgs args{{}, c.network, c.origin};
    EXPECT_EQ(
        op_cmd_rib(args),
        (OpCmd{Flags{9}, {op::Target::Rib{{op::RibRequest::Routes{c.sent, c.want_origin}}}}}));
  }
}

base::Ipv6Network ipv6_2001_db8_1(std::uint8_t prefix) {
  base::Ipv6Network v6;
  v6.addr.octets = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  v6.prefix = prefix;
  return v6;
}

TEST(RibExitsDeathTest, UnknownOriginIsReportedExactly) {
  const auto v4 = with<base::IpNetwork>(net(0x0a000000, 8));
  struct Case {
    std::string origin;
    std::string shown;
  };
  for (const auto& c : {
           Case{"Kernel", "\"Kernel\""},
           Case{"KERNEL", "\"KERNEL\""},
           Case{"kernel ", "\"kernel \""},
           Case{"", "\"\""},
           Case{"a\"b\\c'd", "\"a\\\"b\\\\c\\'d\""},
       }) {
    RibCmdArgs args{{}, v4, c.origin};
    EXPECT_EXIT(op_cmd_rib(args), testing::ExitedWithCode(65),
                testing::Eq("Unknown RIB origin given " + c.shown +
                            ", valid origins are [kernel, ospfv2]\n"))
        << c.origin;
  }
  // The origin is looked at before the IPv6 prefix.
  RibCmdArgs v6{{}, with<base::IpNetwork>(ipv6_2001_db8_1(64)), "bgp"};
  EXPECT_EXIT(
      op_cmd_rib(v6), testing::ExitedWithCode(65),
      testing::Eq("Unknown RIB origin given \"bgp\", valid origins are [kernel, ospfv2]\n"));
}

TEST(RibExitsDeathTest, Ipv6PrefixIsRefused) {
  for (const char* origin : {"kernel", "ospfv2"}) {
    RibCmdArgs args{{}, with<base::IpNetwork>(ipv6_2001_db8_1(64)), origin};
    EXPECT_EXIT(
        op_cmd_rib(args), testing::ExitedWithCode(65),
        testing::Eq(
            "IPv6 Network not supported yet Ipv6Network { addr: 2001:db8::1, prefix: 64 }\n"));
  }
  RibCmdArgs no_origin{{}, with<base::IpNetwork>(ipv6_2001_db8_1(128)), std::nullopt};
  EXPECT_EXIT(
      op_cmd_rib(no_origin), testing::ExitedWithCode(65),
      testing::Eq(
          "IPv6 Network not supported yet Ipv6Network { addr: 2001:db8::1, prefix: 128 }\n"));
}

}  // namespace
}  // namespace quamorsc
