#include "quamorsc/cli/cmd.h"

#include "base/debug_text.h"

namespace quamorsc {

void debug_fmt(std::string& out, const CommonArgs& args) {
  base::DebugRecord(out, "CommonArgs")
      .field("detail", args.detail)
      .field("host", args.host)
      .field("json_format", args.json_format)
      .field("json_pretty", args.json_pretty)
      .field("unsorted", args.unsorted)
      .field("show_url", args.show_url)
      .finish();
}

void debug_fmt(std::string& out, const SystemCmdArgs& args) {
  base::DebugRecord(out, "SystemCmdArgs")
      .field("common", args.common)
      .field("intf_name", args.intf_name)
      .finish();
}

void debug_fmt(std::string& out, const BgpCmdArgs& args) {
  base::DebugRecord(out, "BgpCmdArgs")
      .field("common", args.common)
      .field("neigh_id", args.neigh_id)
      .finish();
}

void debug_fmt(std::string& out, const OspfV2CmdArgs& args) {
  base::DebugRecord(out, "OspfV2CmdArgs")
      .field("common", args.common)
      .field("ls_db", args.ls_db)
      .field("network_routes", args.network_routes)
      .field("router_routes", args.router_routes)
      .field("area_id", args.area_id)
      .field("intf_name", args.intf_name)
      .field("neigh_id", args.neigh_id)
      .finish();
}

void debug_fmt(std::string& out, const RibCmdArgs& args) {
  base::DebugRecord(out, "RibCmdArgs")
      .field("common", args.common)
      .field("network", args.network)
      .field("origin", args.origin)
      .finish();
}

namespace {

struct VariantName {
  std::string_view operator()(const Cmd::System&) const { return "System"; }
  std::string_view operator()(const Cmd::Bgp&) const { return "Bgp"; }
  std::string_view operator()(const Cmd::OspfV2&) const { return "OspfV2"; }
  std::string_view operator()(const Cmd::Rib&) const { return "Rib"; }
};

}  // namespace

void debug_fmt(std::string& out, const Cmd& cmd) {
  std::visit(
      [&out](const auto& variant) {
        base::DebugTuple(out, VariantName{}(variant)).value(variant.args).finish();
      },
      cmd.value);
}

}  // namespace quamorsc
