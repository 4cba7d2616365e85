// The JSON text of operational commands built from the input: it is always valid UTF-8, it is
// byte for byte what a plain writer of the wire form gives (member order, escapes, no blanks), and
// read back with nlohmann it holds the same values. The REST path of the same command is what the
// path rules, written out plainly below, give.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json.hpp>

#include "base/debug_text.h"
#include "check.h"
#include "reference_utf8.h"
#include "zurozivo/op_cmd.h"

namespace {

using namespace zurozivo::op_cmd;
using json = nlohmann::ordered_json;

// ---- building a command from the input ----

Ipv4Addr addr(FuzzedDataProvider& in) {
  return Ipv4Addr::from_u32(in.ConsumeIntegral<std::uint32_t>());
}

Ipv4Network network(FuzzedDataProvider& in) {
  return Ipv4Network{addr(in), in.ConsumeIntegralInRange<std::uint8_t>(0, 32)};
}

template <class T, class F>
std::optional<T> maybe(FuzzedDataProvider& in, F make) {
  if (in.ConsumeBool()) {
    return make(in);
  }
  return std::nullopt;
}

std::string name(FuzzedDataProvider& in) {
  return in.ConsumeRandomLengthString(48);
}

Target target(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      if (in.ConsumeBool()) {
        return {Target::System{{SystemRequest::Overview{}}}};
      }
      return {Target::System{{SystemRequest::Intfs{maybe<std::string>(in, name)}}}};
    case 1:
      if (in.ConsumeBool()) {
        return {Target::Bgp{{BgpRequest::Overview{}}}};
      }
      return {Target::Bgp{{BgpRequest::Neighs{maybe<Ipv4Addr>(in, addr)}}}};
    case 2:
      switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0:
          return {Target::OspfV2{{OspfV2Request::Overview{}}}};
        case 1:
          return {Target::OspfV2{{OspfV2Request::AsLsDb{}}}};
        case 2:
          return {Target::OspfV2{{OspfV2Request::LsDb{AreaId{addr(in)}}}}};
        case 3: {
          OspfV2RequestArea area;
          area.area_id = maybe<AreaId>(in, [](auto& i) { return AreaId{addr(i)}; });
          area.intf_info_req = in.ConsumeBool();
          area.intf_name = maybe<std::string>(in, name);
          area.neigh_info_req = in.ConsumeBool();
          area.neigh_id = maybe<RouterId>(in, [](auto& i) { return RouterId{addr(i)}; });
          return {Target::OspfV2{{OspfV2Request::Area{area}}}};
        }
        case 4:
          return {Target::OspfV2{{OspfV2Request::NetworkRoutes{maybe<Ipv4Network>(in, network)}}}};
        default:
          return {Target::OspfV2{{OspfV2Request::RouterRoutes{
              maybe<RouterId>(in, [](auto& i) { return RouterId{addr(i)}; })}}}};
      }
    default:
      if (in.ConsumeBool()) {
        return {Target::Rib{{RibRequest::Overview{}}}};
      }
      return {Target::Rib{{RibRequest::Routes{maybe<Ipv4Network>(in, network),
                                              RequestOrigin{in.ConsumeIntegral<std::uint8_t>()}}}}};
  }
}

// ---- a plain writer of the wire form ----

std::string string_text(std::string_view s) {
  static const char* const kHex = "0123456789abcdef";
  std::string out = "\"";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case 0x08:
        out += "\\b";
        break;
      case 0x09:
        out += "\\t";
        break;
      case 0x0A:
        out += "\\n";
        break;
      case 0x0C:
        out += "\\f";
        break;
      case 0x0D:
        out += "\\r";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

std::string dotted(Ipv4Addr a) {
  return "\"" + base::to_dotted(a) + "\"";
}

std::string net_text(const Ipv4Network& n) {
  return "\"" + base::to_dotted(n.addr) + "/" + std::to_string(n.prefix) + "\"";
}

template <class T, class F>
std::string or_null(const std::optional<T>& v, F write) {
  return v ? write(*v) : std::string("null");
}

std::string bits(std::uint8_t b) {
  return "{\"bits\":" + std::to_string(b) + "}";
}

std::string one(std::string_view key, const std::string& value) {
  return "{\"" + std::string(key) + "\":" + value + "}";
}

std::string request_text(const Target& t) {
  const auto id = [](const auto& i) { return dotted(i.addr); };
  if (const auto* s = std::get_if<Target::System>(&t.value)) {
    if (const auto* i = std::get_if<SystemRequest::Intfs>(&s->request.value)) {
      return one("System", one("Intfs", or_null(i->name, string_text)));
    }
    return one("System", "\"Overview\"");
  }
  if (const auto* b = std::get_if<Target::Bgp>(&t.value)) {
    if (const auto* n = std::get_if<BgpRequest::Neighs>(&b->request.value)) {
      return one("Bgp", one("Neighs", or_null(n->addr, dotted)));
    }
    return one("Bgp", "\"Overview\"");
  }
  if (const auto* o = std::get_if<Target::OspfV2>(&t.value)) {
    const auto& r = o->request.value;
    std::string inner;
    if (std::holds_alternative<OspfV2Request::Overview>(r)) {
      inner = "\"Overview\"";
    } else if (std::holds_alternative<OspfV2Request::AsLsDb>(r)) {
      inner = "\"AsLsDb\"";
    } else if (const auto* l = std::get_if<OspfV2Request::LsDb>(&r)) {
      inner = one("LsDb", id(l->area_id));
    } else if (const auto* a = std::get_if<OspfV2Request::Area>(&r)) {
      const auto& x = a->area;
      inner = one("Area", "{\"area_id\":" + or_null(x.area_id, id) +
                              ",\"intf_info_req\":" + (x.intf_info_req ? "true" : "false") +
                              ",\"intf_name\":" + or_null(x.intf_name, string_text) +
                              ",\"neigh_info_req\":" + (x.neigh_info_req ? "true" : "false") +
                              ",\"neigh_id\":" + or_null(x.neigh_id, id) + "}");
    } else if (const auto* n = std::get_if<OspfV2Request::NetworkRoutes>(&r)) {
      inner = one("NetworkRoutes", or_null(n->network, net_text));
    } else {
      inner = one("RouterRoutes", or_null(std::get<OspfV2Request::RouterRoutes>(r).router_id, id));
    }
    return one("OspfV2", inner);
  }
  const auto& rib = std::get<Target::Rib>(t.value).request.value;
  if (const auto* routes = std::get_if<RibRequest::Routes>(&rib)) {
    return one("Rib", one("Routes", "[" + or_null(routes->network, net_text) + "," +
                                        bits(routes->origin.bits) + "]"));
  }
  return one("Rib", "\"Overview\"");
}

// ---- the REST path, from the path rules ----

std::string quad(const Ipv4Addr& a) {
  return std::to_string(a.octets[0]) + "." + std::to_string(a.octets[1]) + "." +
         std::to_string(a.octets[2]) + "." + std::to_string(a.octets[3]);
}

std::string area_query(const AreaId& id) {
  return "/ospfv2/area?area_id=" + quad(id.addr);
}

// The first case that holds, in this order; the names and ids never reach the path.
std::string area_path_of(const OspfV2RequestArea& area) {
  if (!area.area_id) {
    return "";
  }
  if (area.neigh_info_req) {
    return area_query(*area.area_id) + "/intf/neigh";
  }
  if (area.intf_info_req) {
    return area_query(*area.area_id) + "/intf";
  }
  return area_query(*area.area_id);
}

std::string ospfv2_path_of(const OspfV2Request& request) {
  const auto& r = request.value;
  if (std::holds_alternative<OspfV2Request::Overview>(r)) {
    return "/ospfv2";
  }
  if (std::holds_alternative<OspfV2Request::AsLsDb>(r)) {
    return "/ospfv2/lsdb";
  }
  if (const auto* l = std::get_if<OspfV2Request::LsDb>(&r)) {
    return area_query(l->area_id) + "/lsdb";
  }
  if (const auto* a = std::get_if<OspfV2Request::Area>(&r)) {
    return area_path_of(a->area);
  }
  if (std::holds_alternative<OspfV2Request::NetworkRoutes>(r)) {
    return "/ospfv2/prefix-network";
  }
  return "/ospfv2/prefix-router";
}

std::string target_path_of(const Target& t) {
  if (const auto* s = std::get_if<Target::System>(&t.value)) {
    return std::holds_alternative<SystemRequest::Overview>(s->request.value) ? "/system"
                                                                             : "/system/intf";
  }
  if (const auto* b = std::get_if<Target::Bgp>(&t.value)) {
    return std::holds_alternative<BgpRequest::Overview>(b->request.value) ? "/bgp" : "/bgp/neighs";
  }
  if (const auto* o = std::get_if<Target::OspfV2>(&t.value)) {
    return ospfv2_path_of(o->request);
  }
  const auto& rib = std::get<Target::Rib>(t.value).request.value;
  return std::holds_alternative<RibRequest::Overview>(rib) ? "/ribv4" : "/ribv4/prefix";
}

// The pretty bit wins over the machine bit; no other flag reaches the path.
std::string expected_path(const OpCmd& cmd) {
  constexpr unsigned kPretty = 0x02;
  constexpr unsigned kMachine = 0x04;
  std::string path = target_path_of(cmd.target);
  if ((cmd.flags.bits & kPretty) != 0) {
    return path + "/json-pretty";
  }
  if ((cmd.flags.bits & kMachine) != 0) {
    return path + "/json";
  }
  return path;
}

// ---- reading the text back with nlohmann ----

std::optional<Ipv4Addr> read_addr(const json& j) {
  return base::parse_dotted_decimal(j.get<std::string>());
}

template <class T, class F>
std::optional<T> read_opt(const json& j, F read) {
  if (j.is_null()) {
    return std::nullopt;
  }
  return read(j);
}

Ipv4Network read_net(const json& j) {
  const auto net = base::parse_ipv4_network(j.get<std::string>());
  FUZZ_CHECK(net.has_value());
  return *net;
}

AreaId read_area_id(const json& j) {
  const auto a = read_addr(j);
  FUZZ_CHECK(a.has_value());
  return AreaId{*a};
}

RouterId read_router_id(const json& j) {
  const auto a = read_addr(j);
  FUZZ_CHECK(a.has_value());
  return RouterId{*a};
}

// The one member of a one-member object.
const json& only(const json& j, const char* key) {
  FUZZ_CHECK(j.is_object() && j.size() == 1 && j.contains(key));
  return j.at(key);
}

std::uint8_t read_bits(const json& j) {
  FUZZ_CHECK(j.is_object() && j.size() == 1);
  const unsigned v = j.at("bits").get<unsigned>();
  FUZZ_CHECK(v <= 255);
  return static_cast<std::uint8_t>(v);
}

Target read_target(const json& t) {
  FUZZ_CHECK(t.is_object() && t.size() == 1);
  const std::string key = t.begin().key();
  const json& v = t.begin().value();
  const auto str = [](const json& j) { return j.get<std::string>(); };
  if (key == "System") {
    if (v.is_string()) {
      FUZZ_CHECK(v == "Overview");
      return {Target::System{{SystemRequest::Overview{}}}};
    }
    return {Target::System{{SystemRequest::Intfs{read_opt<std::string>(only(v, "Intfs"), str)}}}};
  }
  if (key == "Bgp") {
    if (v.is_string()) {
      FUZZ_CHECK(v == "Overview");
      return {Target::Bgp{{BgpRequest::Overview{}}}};
    }
    const json& n = only(v, "Neighs");
    return {Target::Bgp{{BgpRequest::Neighs{n.is_null() ? std::nullopt : read_addr(n)}}}};
  }
  if (key == "OspfV2") {
    if (v == "Overview") {
      return {Target::OspfV2{{OspfV2Request::Overview{}}}};
    }
    if (v == "AsLsDb") {
      return {Target::OspfV2{{OspfV2Request::AsLsDb{}}}};
    }
    FUZZ_CHECK(v.is_object() && v.size() == 1);
    if (v.contains("LsDb")) {
      return {Target::OspfV2{{OspfV2Request::LsDb{read_area_id(v.at("LsDb"))}}}};
    }
    if (v.contains("Area")) {
      const json& a = v.at("Area");
      FUZZ_CHECK(a.is_object() && a.size() == 5);
      // Member order is part of the wire form.
      const char* const order[] = {"area_id", "intf_info_req", "intf_name", "neigh_info_req",
                                   "neigh_id"};
      std::size_t k = 0;
      for (const auto& item : a.items()) {
        FUZZ_CHECK(item.key() == order[k++]);
      }
      OspfV2RequestArea area;
      area.area_id = read_opt<AreaId>(a.at("area_id"), read_area_id);
      area.intf_info_req = a.at("intf_info_req").get<bool>();
      area.intf_name = read_opt<std::string>(a.at("intf_name"), str);
      area.neigh_info_req = a.at("neigh_info_req").get<bool>();
      area.neigh_id = read_opt<RouterId>(a.at("neigh_id"), read_router_id);
      return {Target::OspfV2{{OspfV2Request::Area{area}}}};
    }
    if (v.contains("NetworkRoutes")) {
      return {Target::OspfV2{
          {OspfV2Request::NetworkRoutes{read_opt<Ipv4Network>(v.at("NetworkRoutes"), read_net)}}}};
    }
    return {Target::OspfV2{{OspfV2Request::RouterRoutes{
        read_opt<RouterId>(only(v, "RouterRoutes"), read_router_id)}}}};
  }
  FUZZ_CHECK(key == "Rib");
  if (v.is_string()) {
    FUZZ_CHECK(v == "Overview");
    return {Target::Rib{{RibRequest::Overview{}}}};
  }
  const json& r = only(v, "Routes");
  FUZZ_CHECK(r.is_array() && r.size() == 2);
  return {Target::Rib{
      {RibRequest::Routes{read_opt<Ipv4Network>(r[0], read_net), RequestOrigin{read_bits(r[1])}}}}};
}

OpCmd read_cmd(const json& j) {
  FUZZ_CHECK(j.is_object() && j.size() == 2);
  FUZZ_CHECK(j.begin().key() == "flags");
  return OpCmd{Flags{read_bits(j.at("flags"))}, read_target(j.at("target"))};
}

// Interface names as they would read back: broken sequences replaced.
void make_names_lossy(OpCmd& cmd) {
  const auto fix = [](std::optional<std::string>& s) {
    if (s) {
      *s = fuzz::lossy(*s);
    }
  };
  if (auto* s = std::get_if<Target::System>(&cmd.target.value)) {
    if (auto* i = std::get_if<SystemRequest::Intfs>(&s->request.value)) {
      fix(i->name);
    }
  }
  if (auto* o = std::get_if<Target::OspfV2>(&cmd.target.value)) {
    if (auto* a = std::get_if<OspfV2Request::Area>(&o->request.value)) {
      fix(a->area.intf_name);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  OpCmd cmd{Flags{in.ConsumeIntegral<std::uint8_t>()}, target(in)};

  const std::string text = to_json_text(cmd);
  FUZZ_CHECK(fuzz::is_utf8(text));
  FUZZ_CHECK(text.starts_with("{\"flags\":") && text.ends_with('}'));

  const std::string expected =
      "{\"flags\":" + bits(cmd.flags.bits) + ",\"target\":" + request_text(cmd.target) + "}";
  OpCmd lossy_cmd = cmd;
  make_names_lossy(lossy_cmd);
  const bool names_were_utf8 = lossy_cmd == cmd;
  if (names_were_utf8) {
    FUZZ_CHECK(text == expected);
  }

  const json parsed = json::parse(text, nullptr, /*allow_exceptions=*/false);
  FUZZ_CHECK(!parsed.is_discarded());
  const OpCmd back = read_cmd(parsed);
  FUZZ_CHECK(back == lossy_cmd);

  // The other two texts of a command: a one-line debug text, and the REST path.
  const std::string debug = base::to_debug(cmd);
  FUZZ_CHECK(fuzz::is_utf8(debug) && debug.find('\n') == std::string::npos);
  FUZZ_CHECK(cmd.gen_url() == expected_path(cmd));
  return 0;
}
