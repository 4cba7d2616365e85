#include "quamorsc/request/builders.h"

#include <string>
#include <utility>
#include <variant>

#include "base/debug_text.h"
#include "quamorsc/process/exit_status.h"
#include "quamorsc/process/io.h"

namespace quamorsc {

namespace op = zurozivo::op_cmd;

tl::expected<void, std::string> sanity_check(const CommonArgs& args) {
  if (args.json_format && args.json_pretty) {
    return tl::make_unexpected(
        std::string("Output cannot be formatted to --json *and* --json-pretty"));
  }
  if (args.show_url && !args.host) {
    return tl::make_unexpected(
        std::string("Requested to show a URL, but --host option is not set"));
  }
  return {};
}

tl::expected<void, std::string> sanity_check(const SystemCmdArgs& args) {
  return sanity_check(args.common);
}

tl::expected<void, std::string> sanity_check(const BgpCmdArgs& args) {
  return sanity_check(args.common);
}

tl::expected<void, std::string> sanity_check(const OspfV2CmdArgs& args) {
  if (auto common = sanity_check(args.common); !common) {
    return common;
  }
  unsigned request_type_count = 0;
  if (args.ls_db) {
    ++request_type_count;
    if (args.area_id && !*args.area_id) {
      return tl::make_unexpected(std::string("Missing Area Id to lookup Area LS DB"));
    }
  } else if (args.area_id) {
    // Beside --lsdb the area only names whose database is wanted, so it is counted once.
    ++request_type_count;
  }
  if (args.network_routes) {
    ++request_type_count;
  }
  if (args.router_routes) {
    ++request_type_count;
  }
  if (request_type_count > 1) {
    return tl::make_unexpected(
        std::string("Specify one of LsDb, Area, Network Routes OR Router Routes"));
  }
  if (args.neigh_id) {
    if (!args.intf_name) {
      return tl::make_unexpected(std::string("Neigh information requires an Interface"));
    }
    if (!args.area_id) {
      return tl::make_unexpected(std::string("Neigh information requires an Area"));
    }
  } else if (!args.area_id && args.intf_name) {
    return tl::make_unexpected(std::string("Interface information requires an Area"));
  }
  return {};
}

tl::expected<void, std::string> sanity_check(const RibCmdArgs& args) {
  if (auto common = sanity_check(args.common); !common) {
    return common;
  }
  if (!args.network && args.origin) {
    return tl::make_unexpected(
        std::string("RIB: No prefixes requested, but prefix origin has been specified"));
  }
  return {};
}

Flags get_flags(const CommonArgs& args) {
  Flags flags = Flags::EMPTY;
  if (args.detail) {
    flags.insert(Flags::DETAIL);
  }
  if (args.json_format) {
    flags.insert(Flags::JSON_MACHINE);
  } else if (args.json_pretty) {
    flags.insert(Flags::JSON_PRETTY);
  } else {
    flags.insert(Flags::JSON_LINES);
  }
  if (!args.unsorted) {
    flags.insert(Flags::SORT);
  }
  return flags;
}

Flags get_flags(const SystemCmdArgs& args) {
  return get_flags(args.common);
}
Flags get_flags(const BgpCmdArgs& args) {
  return get_flags(args.common);
}
Flags get_flags(const OspfV2CmdArgs& args) {
  return get_flags(args.common);
}
Flags get_flags(const RibCmdArgs& args) {
  return get_flags(args.common);
}

namespace {

// The value of an option given with one; absent when the option is bare or not given.
template <class T>
std::optional<T> value_of(const TwoLevel<T>& option) {
  return option ? *option : std::nullopt;
}

op::OspfV2Request ospfv2_request(const OspfV2CmdArgs& args) {
  if (args.ls_db) {
    if (!args.area_id) {
      return {op::OspfV2Request::AsLsDb{}};
    }
    // A bare area beside --lsdb was refused by the rules.
    return {op::OspfV2Request::LsDb{**args.area_id}};
  }
  if (args.area_id) {
    op::OspfV2RequestArea area;
    area.area_id = *args.area_id;
    area.intf_info_req = args.intf_name.has_value();
    area.intf_name = value_of(args.intf_name);
    area.neigh_info_req = args.neigh_id.has_value();
    area.neigh_id = value_of(args.neigh_id);
    return {op::OspfV2Request::Area{std::move(area)}};
  }
  if (args.network_routes) {
    return {op::OspfV2Request::NetworkRoutes{*args.network_routes}};
  }
  if (args.router_routes) {
    return {op::OspfV2Request::RouterRoutes{*args.router_routes}};
  }
  return {op::OspfV2Request::Overview{}};
}

op::RequestOrigin rib_origin(const RibCmdArgs& args) {
  if (!args.origin) {
    return op::RequestOrigin::KERNEL | op::RequestOrigin::OSPFV2;
  }
  if (*args.origin == "kernel") {
    return op::RequestOrigin::KERNEL;
  }
  if (*args.origin == "ospfv2") {
    return op::RequestOrigin::OSPFV2;
  }
  std::string line = "Unknown RIB origin given ";
  base::debug_str(line, *args.origin);
  line += ", valid origins are [kernel, ospfv2]";
  io::fail(std::move(line), exit_status::kOptionRule);
}

}  // namespace

tl::expected<OpCmd, std::string> op_cmd_system(const SystemCmdArgs& args) {
  if (auto ok = sanity_check(args); !ok) {
    return tl::make_unexpected(ok.error());
  }
  Flags flags = get_flags(args);
  op::SystemRequest request{op::SystemRequest::Overview{}};
  if (args.intf_name) {
    request.value = op::SystemRequest::Intfs{*args.intf_name};
  }
  return OpCmd{flags, {op::Target::System{std::move(request)}}};
}

tl::expected<OpCmd, std::string> op_cmd_bgp(const BgpCmdArgs& args) {
  if (auto ok = sanity_check(args); !ok) {
    return tl::make_unexpected(ok.error());
  }
  Flags flags = get_flags(args);
  op::BgpRequest request{op::BgpRequest::Overview{}};
  if (args.neigh_id) {
    request.value = op::BgpRequest::Neighs{*args.neigh_id};
  }
  return OpCmd{flags, {op::Target::Bgp{request}}};
}

tl::expected<OpCmd, std::string> op_cmd_ospfv2(const OspfV2CmdArgs& args) {
  if (auto ok = sanity_check(args); !ok) {
    return tl::make_unexpected(ok.error());
  }
  Flags flags = get_flags(args);
  return OpCmd{flags, {op::Target::OspfV2{ospfv2_request(args)}}};
}

tl::expected<OpCmd, std::string> op_cmd_rib(const RibCmdArgs& args) {
  if (auto ok = sanity_check(args); !ok) {
    return tl::make_unexpected(ok.error());
  }
  Flags flags = get_flags(args);
  // The origin is looked at before the prefix, so a bad origin is reported even for IPv6.
  op::RequestOrigin origin = rib_origin(args);
  if (!args.network) {
    return OpCmd{flags, {op::Target::Rib{{op::RibRequest::Overview{}}}}};
  }
  std::optional<base::Ipv4Network> network;
  if (*args.network) {
    if (const auto* v6 = std::get_if<base::Ipv6Network>(&**args.network)) {
      std::string line = "IPv6 Network not supported yet ";
      base::debug_fmt(line, *v6);
      io::fail(std::move(line), exit_status::kOptionRule);
    }
    network = std::get<base::Ipv4Network>(**args.network).network();
  }
  return OpCmd{flags, {op::Target::Rib{{op::RibRequest::Routes{network, origin}}}}};
}

tl::expected<OpCmd, std::string> op_cmd_of(const Cmd& cmd) {
  using Built = tl::expected<OpCmd, std::string>;
  struct Build {
    Built operator()(const Cmd::System& sub) const { return op_cmd_system(sub.args); }
    Built operator()(const Cmd::Bgp& sub) const { return op_cmd_bgp(sub.args); }
    Built operator()(const Cmd::OspfV2& sub) const { return op_cmd_ospfv2(sub.args); }
    Built operator()(const Cmd::Rib& sub) const { return op_cmd_rib(sub.args); }
  };
  return std::visit(Build{}, cmd.value);
}

}  // namespace quamorsc
