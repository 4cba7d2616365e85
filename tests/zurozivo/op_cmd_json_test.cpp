#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "op_cmd_samples.h"
#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd {
namespace {

using namespace samples;
using namespace std::string_view_literals;

struct JsonCase {
  const char* what;
  OpCmd cmd;
  std::string_view json;
  std::size_t bytes;
};

void expect_json(const JsonCase& c) {
  const std::string text = to_json_text(c.cmd);
  EXPECT_EQ(text, c.json) << c.what;
  EXPECT_EQ(text.size(), c.bytes) << c.what;
}

TEST(JsonText, EveryRequestKindWithDefaultFlags) {
  const AreaId area1 = AreaId::from(1);
  const JsonCase cases[] = {
      {"system", cmd(sys(SystemRequest::Overview{})),
       R"({"flags":{"bits":9},"target":{"System":"Overview"}})", 51},
      {"system -i", cmd(sys(SystemRequest::Intfs{})),
       R"({"flags":{"bits":9},"target":{"System":{"Intfs":null}}})", 55},
      {"system -i eth0", cmd(sys(SystemRequest::Intfs{"eth0"})),
       R"({"flags":{"bits":9},"target":{"System":{"Intfs":"eth0"}}})", 57},
      {"bgp", cmd(bgp(BgpRequest::Overview{})),
       R"({"flags":{"bits":9},"target":{"Bgp":"Overview"}})", 48},
      {"bgp -n", cmd(bgp(BgpRequest::Neighs{})),
       R"({"flags":{"bits":9},"target":{"Bgp":{"Neighs":null}}})", 53},
      {"bgp -n 192.0.2.1", cmd(bgp(BgpRequest::Neighs{addr(192, 0, 2, 1)})),
       R"({"flags":{"bits":9},"target":{"Bgp":{"Neighs":"192.0.2.1"}}})", 60},
      {"ospfv2", cmd(ospf(OspfV2Request::Overview{})),
       R"({"flags":{"bits":9},"target":{"OspfV2":"Overview"}})", 51},
      {"ospfv2 -l", cmd(ospf(OspfV2Request::AsLsDb{})),
       R"({"flags":{"bits":9},"target":{"OspfV2":"AsLsDb"}})", 49},
      {"ospfv2 -l -a 1", cmd(ospf(OspfV2Request::LsDb{area1})),
       R"({"flags":{"bits":9},"target":{"OspfV2":{"LsDb":"0.0.0.1"}}})", 59},
      {"ospfv2 -a", cmd(ospf(area({}))),
       R"({"flags":{"bits":9},"target":{"OspfV2":{"Area":{"area_id":null,"intf_info_req":false,"intf_name":null,"neigh_info_req":false,"neigh_id":null}}}})",
       144},
      {"ospfv2 -a 1 -i", cmd(ospf(area({.area_id = area1, .intf_info_req = true}))),
       R"({"flags":{"bits":9},"target":{"OspfV2":{"Area":{"area_id":"0.0.0.1","intf_info_req":true,"intf_name":null,"neigh_info_req":false,"neigh_id":null}}}})",
       148},
      {"ospfv2 -a 0.0.0.1 -i eth0 -n 10.0.0.2",
       cmd(ospf(area({.area_id = area1,
                      .intf_info_req = true,
                      .intf_name = "eth0",
                      .neigh_info_req = true,
                      .neigh_id = RouterId{addr(10, 0, 0, 2)}}))),
       R"({"flags":{"bits":9},"target":{"OspfV2":{"Area":{"area_id":"0.0.0.1","intf_info_req":true,"intf_name":"eth0","neigh_info_req":true,"neigh_id":"10.0.0.2"}}}})",
       155},
      {"ospfv2 -p", cmd(ospf(OspfV2Request::NetworkRoutes{})),
       R"({"flags":{"bits":9},"target":{"OspfV2":{"NetworkRoutes":null}}})", 63},
      {"ospfv2 -p 10.1.2.3/8", cmd(ospf(OspfV2Request::NetworkRoutes{net(addr(10, 1, 2, 3), 8)})),
       R"({"flags":{"bits":9},"target":{"OspfV2":{"NetworkRoutes":"10.1.2.3/8"}}})", 71},
      {"ospfv2 -P", cmd(ospf(OspfV2Request::RouterRoutes{})),
       R"({"flags":{"bits":9},"target":{"OspfV2":{"RouterRoutes":null}}})", 62},
      {"ospfv2 -P 10.0.0.1", cmd(ospf(OspfV2Request::RouterRoutes{RouterId{addr(10, 0, 0, 1)}})),
       R"({"flags":{"bits":9},"target":{"OspfV2":{"RouterRoutes":"10.0.0.1"}}})", 68},
      {"ribv4", cmd(rib(RibRequest::Overview{})),
       R"({"flags":{"bits":9},"target":{"Rib":"Overview"}})", 48},
      {"ribv4 -p",
       cmd(rib(RibRequest::Routes{std::nullopt, RequestOrigin::KERNEL | RequestOrigin::OSPFV2})),
       R"({"flags":{"bits":9},"target":{"Rib":{"Routes":[null,{"bits":3}]}}})", 66},
      {"ribv4 -p 10.1.2.3/8 -o kernel",
       cmd(rib(RibRequest::Routes{net(addr(10, 0, 0, 0), 8), RequestOrigin::KERNEL})),
       R"({"flags":{"bits":9},"target":{"Rib":{"Routes":["10.0.0.0/8",{"bits":1}]}}})", 74},
      {"ribv4 -p 10.0.0.0/8 -o ospfv2",
       cmd(rib(RibRequest::Routes{net(addr(10, 0, 0, 0), 8), RequestOrigin::OSPFV2})),
       R"({"flags":{"bits":9},"target":{"Rib":{"Routes":["10.0.0.0/8",{"bits":2}]}}})", 74},
  };
  for (const auto& c : cases) {
    expect_json(c);
  }
}

TEST(JsonText, FlagsChangeOnlyTheBits) {
  using F = Flags;
  struct Case {
    Flags flags;
    std::string_view json;
  };
  for (const auto& c : {
           Case{F::JSON_MACHINE | F::SORT, R"({"flags":{"bits":12},"target":{"Bgp":"Overview"}})"},
           Case{F::JSON_PRETTY | F::SORT, R"({"flags":{"bits":10},"target":{"Bgp":"Overview"}})"},
           Case{F::JSON_LINES | F::SORT | F::DETAIL,
                R"({"flags":{"bits":25},"target":{"Bgp":"Overview"}})"},
           Case{F::JSON_LINES, R"({"flags":{"bits":1},"target":{"Bgp":"Overview"}})"},
           Case{F::JSON_MACHINE | F::DETAIL,
                R"({"flags":{"bits":20},"target":{"Bgp":"Overview"}})"},
           Case{F::EMPTY, R"({"flags":{"bits":0},"target":{"Bgp":"Overview"}})"},
           // Every bit, named or not.
           Case{Flags{0xFF}, R"({"flags":{"bits":255},"target":{"Bgp":"Overview"}})"},
       }) {
    EXPECT_EQ(to_json_text(cmd(bgp(BgpRequest::Overview{}), c.flags)), c.json);
  }
}

TEST(JsonText, OriginBitsAreWrittenAsAnyByte) {
  for (std::uint8_t bits : {0, 255}) {
    EXPECT_EQ(to_json_text(cmd(rib(RibRequest::Routes{std::nullopt, RequestOrigin{bits}}))),
              R"({"flags":{"bits":9},"target":{"Rib":{"Routes":[null,{"bits":)" +
                  std::to_string(bits) + "}]}}}");
  }
}

TEST(JsonText, InterfaceNameEscapes) {
  struct Case {
    std::string_view name;
    std::string_view json;
  };
  for (const auto& c : {
           Case{"", R"("")"},
           Case{"a\"b", R"("a\"b")"},
           Case{"a\\b", R"("a\\b")"},
           Case{"a\tb", R"("a\tb")"},
           Case{"\n\r\b\f", R"("\n\r\b\f")"},
           Case{"\x1b[0m", R"("\u001b[0m")"},
           Case{"\0\x0b\x1f"sv, R"("\u0000\u000b\u001f")"},
           Case{"\x7f", "\"\x7f\""},
           Case{"eth0/1", R"("eth0/1")"},
           Case{"'", R"("'")"},
           Case{"caf\u00e9\u0301\U0001F44D", "\"caf\u00e9\u0301\U0001F44D\""},
           Case{"\u2028", "\"\u2028\""},
       }) {
    EXPECT_EQ(to_json_text(cmd(sys(SystemRequest::Intfs{std::string(c.name)}))),
              R"({"flags":{"bits":9},"target":{"System":{"Intfs":)" + std::string(c.json) + "}}}")
        << c.name;
  }
}

TEST(JsonText, LongNameIsWrittenWhole) {
  const std::string name(100000, 'n');
  EXPECT_EQ(to_json_text(cmd(sys(SystemRequest::Intfs{name}))),
            R"({"flags":{"bits":9},"target":{"System":{"Intfs":")" + name + "\"}}}");
}

// A name that is not UTF-8 cannot come from the command line, but the text must stay UTF-8
// rather than fail.
TEST(JsonText, BrokenUtf8InANameIsReplaced) {
  EXPECT_EQ(to_json_text(cmd(sys(SystemRequest::Intfs{"a\xff"
                                                      "b"}))),
            "{\"flags\":{\"bits\":9},\"target\":{\"System\":{\"Intfs\":\"a\xEF\xBF\xBD"
            "b\"}}}");
}

TEST(JsonText, AreaIdsAndNetworksAsText) {
  struct Case {
    OpCmd cmd;
    std::string_view value;
  };
  for (const auto& c : {
           Case{cmd(ospf(OspfV2Request::LsDb{AreaId::from(0)})), R"({"LsDb":"0.0.0.0"})"},
           Case{cmd(ospf(OspfV2Request::LsDb{AreaId::from(256)})), R"({"LsDb":"0.0.1.0"})"},
           Case{cmd(ospf(OspfV2Request::LsDb{AreaId::from(0xFFFFFFFF)})),
                R"({"LsDb":"255.255.255.255"})"},
           Case{cmd(ospf(OspfV2Request::NetworkRoutes{net(addr(10, 1, 2, 3), 32)})),
                R"({"NetworkRoutes":"10.1.2.3/32"})"},
           Case{cmd(ospf(OspfV2Request::NetworkRoutes{net(addr(0, 0, 0, 0), 0)})),
                R"({"NetworkRoutes":"0.0.0.0/0"})"},
           // Host bits are never cleared by the encoding.
           Case{cmd(ospf(OspfV2Request::NetworkRoutes{net(addr(10, 1, 2, 3), 0)})),
                R"({"NetworkRoutes":"10.1.2.3/0"})"},
           Case{cmd(ospf(OspfV2Request::RouterRoutes{RouterId{addr(255, 255, 255, 255)}})),
                R"({"RouterRoutes":"255.255.255.255"})"},
       }) {
    EXPECT_EQ(to_json_text(c.cmd),
              R"({"flags":{"bits":9},"target":{"OspfV2":)" + std::string(c.value) + "}}");
  }
}

TEST(JsonText, AreaAlwaysHasFiveMembersInOrder) {
  const AreaId id = AreaId::from(7);
  EXPECT_EQ(
      to_json_text(cmd(ospf(area({.area_id = id, .neigh_info_req = true})))),
      R"({"flags":{"bits":9},"target":{"OspfV2":{"Area":{"area_id":"0.0.0.7","intf_info_req":false,"intf_name":null,"neigh_info_req":true,"neigh_id":null}}}})");
  // The record is written as held, even where the builders would never fill it so.
  EXPECT_EQ(
      to_json_text(cmd(ospf(area({.intf_name = "", .neigh_id = RouterId{}})))),
      R"({"flags":{"bits":9},"target":{"OspfV2":{"Area":{"area_id":null,"intf_info_req":false,"intf_name":"","neigh_info_req":false,"neigh_id":"0.0.0.0"}}}})");
}

}  // namespace
}  // namespace zurozivo::op_cmd
