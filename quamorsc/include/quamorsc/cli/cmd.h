// The parsed command line as plain data: one `Cmd` per run holding the record of the one
// subcommand given, each record starting with the options every subcommand shares.
#pragma once

#include <optional>
#include <string>
#include <variant>

#include "base/ip_network.h"
#include "base/ipv4.h"
#include "packet/ospf.h"

namespace quamorsc {

// An option given bare or with a value: absent, Some(None) when bare, Some(Some(v)) with a value.
template <class T>
using TwoLevel = std::optional<std::optional<T>>;

struct CommonArgs {
  bool detail = false;
  std::optional<std::string> host;
  bool json_format = false;
  bool json_pretty = false;
  bool unsorted = false;
  bool show_url = false;
  friend bool operator==(const CommonArgs&, const CommonArgs&) = default;
};

// Every field of a subcommand's record has an initialiser, so that a record can be written with
// only the fields it sets named ({.origin = "kernel"}) and no warning about the others.
struct SystemCmdArgs {
  CommonArgs common{};
  TwoLevel<std::string> intf_name{};
  friend bool operator==(const SystemCmdArgs&, const SystemCmdArgs&) = default;
};

struct BgpCmdArgs {
  CommonArgs common{};
  TwoLevel<base::Ipv4Addr> neigh_id{};
  friend bool operator==(const BgpCmdArgs&, const BgpCmdArgs&) = default;
};

struct OspfV2CmdArgs {
  CommonArgs common{};
  bool ls_db = false;
  TwoLevel<base::Ipv4Network> network_routes{};
  TwoLevel<packet::ospf::RouterId> router_routes{};
  TwoLevel<packet::ospf::AreaId> area_id{};
  TwoLevel<std::string> intf_name{};
  TwoLevel<packet::ospf::RouterId> neigh_id{};
  friend bool operator==(const OspfV2CmdArgs&, const OspfV2CmdArgs&) = default;
};

struct RibCmdArgs {
  CommonArgs common{};
  TwoLevel<base::IpNetwork> network{};
  std::optional<std::string> origin{};
  friend bool operator==(const RibCmdArgs&, const RibCmdArgs&) = default;
};

struct Cmd {
  struct System {
    SystemCmdArgs args;
    friend bool operator==(const System&, const System&) = default;
  };
  struct Bgp {
    BgpCmdArgs args;
    friend bool operator==(const Bgp&, const Bgp&) = default;
  };
  struct OspfV2 {
    OspfV2CmdArgs args;
    friend bool operator==(const OspfV2&, const OspfV2&) = default;
  };
  struct Rib {
    RibCmdArgs args;
    friend bool operator==(const Rib&, const Rib&) = default;
  };
  std::variant<System, Bgp, OspfV2, Rib> value;
  friend bool operator==(const Cmd&, const Cmd&) = default;
};

void debug_fmt(std::string& out, const CommonArgs& args);
void debug_fmt(std::string& out, const SystemCmdArgs& args);
void debug_fmt(std::string& out, const BgpCmdArgs& args);
void debug_fmt(std::string& out, const OspfV2CmdArgs& args);
void debug_fmt(std::string& out, const RibCmdArgs& args);
void debug_fmt(std::string& out, const Cmd& cmd);

}  // namespace quamorsc
