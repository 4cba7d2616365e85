#include "quamorsc/request/builders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/debug_text.h"

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

Ipv4Addr addr(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return Ipv4Addr{{a, b, c, d}};
}
Ipv4Network net(Ipv4Addr address, std::uint8_t prefix) {
  return {address, prefix};
}
const AreaId kArea1 = AreaId::from(1);
const RouterId kRouter = RouterId{addr(1, 1, 1, 1)};
// What every subcommand asks for without its shared options.
const Flags kDefaultFlags = Flags::JSON_LINES | Flags::SORT;

// The shared options one by one, named as on the command line.
struct Common {
  CommonArgs args;
  Common&& detail() && {
    args.detail = true;
    return std::move(*this);
  }
  Common&& host(std::string name) && {
    args.host = std::move(name);
    return std::move(*this);
  }
  Common&& json() && {
    args.json_format = true;
    return std::move(*this);
  }
  Common&& json_pretty() && {
    args.json_pretty = true;
    return std::move(*this);
  }
  Common&& unsorted() && {
    args.unsorted = true;
    return std::move(*this);
  }
  Common&& show_url() && {
    args.show_url = true;
    return std::move(*this);
  }
};

TEST(GetFlags, OneFormatBitSortUnlessUnsortedAndDetail) {
  using F = Flags;
  struct Case {
    CommonArgs common;
    Flags flags;
  };
  for (const auto& c : {
           Case{Common().args, F::JSON_LINES | F::SORT},
           Case{Common().json().args, F::JSON_MACHINE | F::SORT},
           Case{Common().json_pretty().args, F::JSON_PRETTY | F::SORT},
           Case{Common().detail().args, F::JSON_LINES | F::SORT | F::DETAIL},
           Case{Common().unsorted().args, F::JSON_LINES},
           Case{Common().detail().json().unsorted().args, F::JSON_MACHINE | F::DETAIL},
           Case{Common().detail().json_pretty().unsorted().args, F::JSON_PRETTY | F::DETAIL},
           // Refused by the rules before it gets here, but machine JSON wins.
           Case{Common().json().json_pretty().args, F::JSON_MACHINE | F::SORT},
       }) {
    const std::string want = base::to_debug(c.flags);
    EXPECT_EQ(get_flags(c.common), c.flags) << want;
    EXPECT_EQ(get_flags(SystemCmdArgs{.common = c.common}), c.flags) << want;
    EXPECT_EQ(get_flags(BgpCmdArgs{.common = c.common}), c.flags) << want;
    EXPECT_EQ(get_flags(OspfV2CmdArgs{.common = c.common}), c.flags) << want;
    EXPECT_EQ(get_flags(RibCmdArgs{.common = c.common}), c.flags) << want;
  }
}

TEST(CommonRules, JsonClashComesFirstThenShowUrlWithoutHost) {
  const std::string clash = "Output cannot be formatted to --json *and* --json-pretty";
  const std::string no_host = "Requested to show a URL, but --host option is not set";
  struct Case {
    CommonArgs common;
    std::string error;  // empty: passes
  };
  for (const auto& c : {
           Case{Common().json().json_pretty().args, clash},
           Case{Common().json().json_pretty().show_url().args, clash},
           Case{Common().json().json_pretty().show_url().host("h").args, clash},
           Case{Common().show_url().args, no_host},
           Case{Common().json().show_url().args, no_host},
           Case{Common().show_url().host("").args, ""},
           Case{Common().show_url().host("router1").args, ""},
           Case{Common().host("router1").args, ""},
           Case{Common().json().args, ""},
           Case{Common().json_pretty().args, ""},
       }) {
    const CommonArgs& common = c.common;
    auto check = sanity_check(common);
    EXPECT_EQ(check ? "" : check.error(), c.error);
    // Every builder refuses with the common text before its own rules.
    auto sys = op_cmd_system(SystemCmdArgs{.common = common});
    EXPECT_EQ(sys ? "" : sys.error(), c.error);
    auto bgp = op_cmd_bgp(BgpCmdArgs{.common = common});
    EXPECT_EQ(bgp ? "" : bgp.error(), c.error);
    if (!c.error.empty()) {
      // Options that break the subcommands' own rules as well.
      OspfV2CmdArgs ospf{.common = common,
                         .ls_db = true,
                         .network_routes = bare<Ipv4Network>(),
                         .area_id = bare<AreaId>()};
      EXPECT_EQ(op_cmd_ospfv2(ospf).error(), c.error);
      EXPECT_EQ(op_cmd_rib(RibCmdArgs{.common = common, .origin = "bogus"}).error(), c.error);
    }
  }
}

TEST(Builders, NoOptionsGiveTheOverviews) {
  const Flags flags = kDefaultFlags;
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
    SystemCmdArgs args{.common = Common().detail().json_pretty().args, .intf_name = c.intf};
    EXPECT_EQ(op_cmd_system(args), (OpCmd{Flags::JSON_PRETTY | Flags::SORT | Flags::DETAIL,
                                          {op::Target::System{c.request}}}));
  }
}

TEST(Builders, BgpNeighbours) {
  BgpCmdArgs args;
  args.neigh_id = bare<Ipv4Addr>();
  EXPECT_EQ(op_cmd_bgp(args),
            (OpCmd{kDefaultFlags, {op::Target::Bgp{{op::BgpRequest::Neighs{std::nullopt}}}}}));
  args.neigh_id = with(addr(10, 0, 0, 1));
  EXPECT_EQ(op_cmd_bgp(args),
            (OpCmd{kDefaultFlags, {op::Target::Bgp{{op::BgpRequest::Neighs{addr(10, 0, 0, 1)}}}}}));
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
  const op::OspfV2RequestArea eth0_neigh{.area_id = kArea1,
                                         .intf_info_req = true,
                                         .intf_name = "eth0",
                                         .neigh_info_req = true,
                                         .neigh_id = kRouter};
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
           {"bare area", Ospf().area(bare<AreaId>()).args, {R::Area{}}},
           {"bare area intf neigh",
            Ospf().area(bare<AreaId>()).intf(bare<std::string>()).neigh(bare<RouterId>()).args,
            {R::Area{{.intf_info_req = true, .neigh_info_req = true}}}},
           {"area intf",
            Ospf().area(with(kArea1)).intf(with<std::string>("eth0")).args,
            {R::Area{{.area_id = kArea1, .intf_info_req = true, .intf_name = "eth0"}}}},
           {"area intf neigh",
            Ospf().area(with(kArea1)).intf(with<std::string>("eth0")).neigh(with(kRouter)).args,
            {R::Area{eth0_neigh}}},
           {"network keeps host bits",
            Ospf().network(with(net(addr(10, 1, 2, 3), 8))).args,
            {R::NetworkRoutes{net(addr(10, 1, 2, 3), 8)}}},
           {"bare network",
            Ospf().network(bare<Ipv4Network>()).args,
            {R::NetworkRoutes{std::nullopt}}},
           {"router", Ospf().router(with(kRouter)).args, {R::RouterRoutes{kRouter}}},
           {"bare router", Ospf().router(bare<RouterId>()).args, {R::RouterRoutes{std::nullopt}}},
       }) {
    EXPECT_EQ(op_cmd_ospfv2(c.options), (OpCmd{kDefaultFlags, {op::Target::OspfV2{c.request}}}))
        << c.name;
  }
}

TEST(RibRules, OriginNeedsAPrefix) {
  for (const char* origin : {"kernel", "ospfv2", "bogus", ""}) {
    RibCmdArgs args{.origin = origin};
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
  const auto prefix_10_1_2_3 = [](std::uint8_t prefix) {
    return with<base::IpNetwork>(net(addr(10, 1, 2, 3), prefix));
  };
  for (const auto& c : {
           Case{bare<base::IpNetwork>(), std::nullopt, std::nullopt, both},
           Case{bare<base::IpNetwork>(), "ospfv2", std::nullopt, op::RequestOrigin::OSPFV2},
           Case{prefix_10_1_2_3(8), "kernel", net(addr(10, 0, 0, 0), 8), op::RequestOrigin::KERNEL},
           Case{prefix_10_1_2_3(8), "ospfv2", net(addr(10, 0, 0, 0), 8), op::RequestOrigin::OSPFV2},
           Case{prefix_10_1_2_3(0), std::nullopt, net(addr(0, 0, 0, 0), 0), both},
           Case{prefix_10_1_2_3(32), std::nullopt, net(addr(10, 1, 2, 3), 32), both},
           Case{with<base::IpNetwork>(net(addr(192, 168, 1, 255), 25)), std::nullopt,
                net(addr(192, 168, 1, 128), 25), both},
       }) {
    RibCmdArgs args{.network = c.network, .origin = c.origin};
    EXPECT_EQ(
        op_cmd_rib(args),
        (OpCmd{kDefaultFlags, {op::Target::Rib{{op::RibRequest::Routes{c.sent, c.want_origin}}}}}));
  }
}

base::Ipv6Network ipv6_2001_db8_1(std::uint8_t prefix) {
  base::Ipv6Network v6;
  v6.addr.octets = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  v6.prefix = prefix;
  return v6;
}

TEST(RibExitsDeathTest, UnknownOriginIsReportedExactly) {
  const auto v4 = with<base::IpNetwork>(net(addr(10, 0, 0, 0), 8));
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
    RibCmdArgs args{.network = v4, .origin = c.origin};
    EXPECT_EXIT(op_cmd_rib(args), testing::ExitedWithCode(65),
                testing::Eq("Unknown RIB origin given " + c.shown +
                            ", valid origins are [kernel, ospfv2]\n"))
        << c.origin;
  }
  // The origin is looked at before the IPv6 prefix.
  RibCmdArgs v6{.network = with<base::IpNetwork>(ipv6_2001_db8_1(64)), .origin = "bgp"};
  EXPECT_EXIT(
      op_cmd_rib(v6), testing::ExitedWithCode(65),
      testing::Eq("Unknown RIB origin given \"bgp\", valid origins are [kernel, ospfv2]\n"));
}

TEST(RibExitsDeathTest, Ipv6PrefixIsRefused) {
  for (const char* origin : {"kernel", "ospfv2"}) {
    RibCmdArgs args{.network = with<base::IpNetwork>(ipv6_2001_db8_1(64)), .origin = origin};
    EXPECT_EXIT(
        op_cmd_rib(args), testing::ExitedWithCode(65),
        testing::Eq(
            "IPv6 Network not supported yet Ipv6Network { addr: 2001:db8::1, prefix: 64 }\n"));
  }
  RibCmdArgs no_origin{.network = with<base::IpNetwork>(ipv6_2001_db8_1(128))};
  EXPECT_EXIT(
      op_cmd_rib(no_origin), testing::ExitedWithCode(65),
      testing::Eq(
          "IPv6 Network not supported yet Ipv6Network { addr: 2001:db8::1, prefix: 128 }\n"));
}

}  // namespace
}  // namespace quamorsc
