// The operational command: the client's model of the one request a run sends to the routing
// daemon. The client builds it from its command line and encodes it with what is declared here:
// its JSON text (what the local socket carries), its REST path (what an HTTP GET names) and its
// debug text (what the trace log shows). It goes one way only: nothing reads a command back from
// any of these texts.
//
// Nothing here fails or ends the process: every function borrows its value, leaves it unchanged
// and gives a new text or value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "base/ip_network.h"
#include "base/ipv4.h"
#include "packet/ospf.h"

namespace zurozivo::op_cmd {

using base::Ipv4Addr;
using base::Ipv4Network;
using packet::ospf::AreaId;
using packet::ospf::RouterId;

// Output format, sorting and detail of the reply. Every bit pattern is a valid value.
struct Flags {
  std::uint8_t bits = 0;

  static const Flags EMPTY;
  static const Flags JSON_LINES;
  static const Flags JSON_PRETTY;
  static const Flags JSON_MACHINE;
  static const Flags SORT;
  static const Flags DETAIL;

  // Whether every bit of `other` is set here; EMPTY is contained in every value.
  constexpr bool contains(Flags other) const { return (bits & other.bits) == other.bits; }
  // Sets the bits of `other` as well.
  constexpr void insert(Flags other) { bits = static_cast<std::uint8_t>(bits | other.bits); }
  // The bits of both.
  friend constexpr Flags operator|(Flags a, Flags b) {
    return Flags{static_cast<std::uint8_t>(a.bits | b.bits)};
  }
  friend constexpr bool operator==(Flags, Flags) = default;
};
inline constexpr Flags Flags::EMPTY{0x00};
inline constexpr Flags Flags::JSON_LINES{0x01};
inline constexpr Flags Flags::JSON_PRETTY{0x02};
inline constexpr Flags Flags::JSON_MACHINE{0x04};
inline constexpr Flags Flags::SORT{0x08};
inline constexpr Flags Flags::DETAIL{0x10};

// The origins of routing-table routes. There is no named zero value.
struct RequestOrigin {
  std::uint8_t bits = 0;

  static const RequestOrigin KERNEL;
  static const RequestOrigin OSPFV2;

  // Whether every origin of `other` is one of these.
  constexpr bool contains(RequestOrigin other) const { return (bits & other.bits) == other.bits; }
  // The origins of both.
  friend constexpr RequestOrigin operator|(RequestOrigin a, RequestOrigin b) {
    return RequestOrigin{static_cast<std::uint8_t>(a.bits | b.bits)};
  }
  friend constexpr bool operator==(RequestOrigin, RequestOrigin) = default;
};
inline constexpr RequestOrigin RequestOrigin::KERNEL{0x01};
inline constexpr RequestOrigin RequestOrigin::OSPFV2{0x02};

struct SystemRequest {
  struct Overview {
    friend bool operator==(const Overview&, const Overview&) = default;
  };
  struct Intfs {
    std::optional<std::string> name;  // absent: every interface
    friend bool operator==(const Intfs&, const Intfs&) = default;
  };
  std::variant<Overview, Intfs> value;
  friend bool operator==(const SystemRequest&, const SystemRequest&) = default;
};

struct BgpRequest {
  struct Overview {
    friend bool operator==(const Overview&, const Overview&) = default;
  };
  struct Neighs {
    std::optional<Ipv4Addr> addr;  // absent: no neighbour named
    friend bool operator==(const Neighs&, const Neighs&) = default;
  };
  std::variant<Overview, Neighs> value;
  friend bool operator==(const BgpRequest&, const BgpRequest&) = default;
};

// Every field has an initialiser, so that an area request can be written with only the fields it
// sets named.
struct OspfV2RequestArea {
  std::optional<AreaId> area_id{};
  bool intf_info_req = false;
  std::optional<std::string> intf_name{};
  bool neigh_info_req = false;
  std::optional<RouterId> neigh_id{};
  friend bool operator==(const OspfV2RequestArea&, const OspfV2RequestArea&) = default;
};

struct OspfV2Request {
  struct Overview {
    friend bool operator==(const Overview&, const Overview&) = default;
  };
  struct AsLsDb {
    friend bool operator==(const AsLsDb&, const AsLsDb&) = default;
  };
  struct LsDb {
    AreaId area_id;
    friend bool operator==(const LsDb&, const LsDb&) = default;
  };
  struct Area {
    OspfV2RequestArea area;
    friend bool operator==(const Area&, const Area&) = default;
  };
  struct NetworkRoutes {
    std::optional<Ipv4Network> network;
    friend bool operator==(const NetworkRoutes&, const NetworkRoutes&) = default;
  };
  struct RouterRoutes {
    std::optional<RouterId> router_id;
    friend bool operator==(const RouterRoutes&, const RouterRoutes&) = default;
  };
  std::variant<Overview, AsLsDb, LsDb, Area, NetworkRoutes, RouterRoutes> value;
  friend bool operator==(const OspfV2Request&, const OspfV2Request&) = default;
};

struct RibRequest {
  struct Overview {
    friend bool operator==(const Overview&, const Overview&) = default;
  };
  struct Routes {
    std::optional<Ipv4Network> network;
    RequestOrigin origin;
    friend bool operator==(const Routes&, const Routes&) = default;
  };
  std::variant<Overview, Routes> value;
  friend bool operator==(const RibRequest&, const RibRequest&) = default;
};

struct Target {
  struct System {
    SystemRequest request;
    friend bool operator==(const System&, const System&) = default;
  };
  struct Bgp {
    BgpRequest request;
    friend bool operator==(const Bgp&, const Bgp&) = default;
  };
  struct OspfV2 {
    OspfV2Request request;
    friend bool operator==(const OspfV2&, const OspfV2&) = default;
  };
  struct Rib {
    RibRequest request;
    friend bool operator==(const Rib&, const Rib&) = default;
  };
  std::variant<System, Bgp, OspfV2, Rib> value;
  friend bool operator==(const Target&, const Target&) = default;
};

struct OpCmd {
  Flags flags;
  Target target;

  // The REST path: the target's path with "/json-pretty" or "/json" for the output format
  // (JSON_PRETTY first); the bare target path for any other flags.
  std::string gen_url() const;
  friend bool operator==(const OpCmd&, const OpCmd&) = default;
};

// The compact JSON text of the whole command, as sent over the local socket.
std::string to_json_text(const OpCmd& cmd);

// The REST path of the request that the target holds, without the output-format suffix.
std::string gen_url(const Target& target);
// "/system", or "/system/intf" for interfaces; the interface name is not part of it.
std::string gen_url(const SystemRequest& request);
// "/bgp", or "/bgp/neighs" for neighbours; the address is not part of it.
std::string gen_url(const BgpRequest& request);
// The path of an OSPFv2 request; only an area id (of `LsDb` or `Area`) reaches it.
std::string gen_url(const OspfV2Request& request);
// "/ospfv2/area?area_id=A" with "/intf/neigh" or "/intf" for what is asked; empty without an
// area id.
std::string gen_url(const OspfV2RequestArea& area);
// "/ribv4", or "/ribv4/prefix" for routes; network and origins are not part of it.
std::string gen_url(const RibRequest& request);
// The empty path of an area request that names no area.
std::string nothing_found();

// Appends "EMPTY" for no bits, else the names of the set bits joined by " | " ("(empty)" when
// none of them has a name).
void debug_fmt(std::string& out, Flags flags);
// Appends the names of the set origins joined by " | ", or "(empty)" for none.
void debug_fmt(std::string& out, RequestOrigin origin);
// Each of these appends the one-line debug text of its value: `Name { field: value, ... }` for a
// record, `Name(value, ...)` for the alternative a variant holds.
void debug_fmt(std::string& out, const SystemRequest& request);
void debug_fmt(std::string& out, const BgpRequest& request);
void debug_fmt(std::string& out, const OspfV2RequestArea& area);
void debug_fmt(std::string& out, const OspfV2Request& request);
void debug_fmt(std::string& out, const RibRequest& request);
void debug_fmt(std::string& out, const Target& target);
void debug_fmt(std::string& out, const OpCmd& cmd);

}  // namespace zurozivo::op_cmd
