// TEMPORARY: removed once the builders land.
#include "quamorsc/builders.h"
namespace quamorsc {
using namespace zurozivo::op_cmd;
static Flags flags_of(const CommonArgs& a) {
  Flags f = Flags::EMPTY;
  if (a.detail) f.insert(Flags::DETAIL);
  f.insert(a.json_format ? Flags::JSON_MACHINE : a.json_pretty ? Flags::JSON_PRETTY : Flags::JSON_LINES);
  if (!a.unsorted) f.insert(Flags::SORT);
  return f;
}
static tl::expected<void, std::string> common(const CommonArgs& a) {
  if (a.json_format && a.json_pretty) return tl::unexpected(std::string("Output cannot be formatted to --json *and* --json-pretty"));
  if (a.show_url && !a.host) return tl::unexpected(std::string("Requested to show a URL, but --host option is not set"));
  return {};
}
tl::expected<OpCmd, std::string> op_cmd_system(const SystemCmdArgs& args) {
  if (auto c = common(args.common); !c) return tl::unexpected(c.error());
  SystemRequest r{SystemRequest::Overview{}};
  if (args.intf_name) r.value = SystemRequest::Intfs{*args.intf_name};
  return OpCmd{flags_of(args.common), Target{Target::System{r}}};
}
tl::expected<OpCmd, std::string> op_cmd_bgp(const BgpCmdArgs& args) {
  if (auto c = common(args.common); !c) return tl::unexpected(c.error());
  BgpRequest r{BgpRequest::Overview{}};
  if (args.neigh_id) r.value = BgpRequest::Neighs{*args.neigh_id};
  return OpCmd{flags_of(args.common), Target{Target::Bgp{r}}};
}
tl::expected<OpCmd, std::string> op_cmd_ospfv2(const OspfV2CmdArgs& args) {
  if (auto c = common(args.common); !c) return tl::unexpected(c.error());
  return OpCmd{flags_of(args.common), Target{Target::OspfV2{OspfV2Request{OspfV2Request::Overview{}}}}};
}
tl::expected<OpCmd, std::string> op_cmd_rib(const RibCmdArgs& args) {
  if (auto c = common(args.common); !c) return tl::unexpected(c.error());
  return OpCmd{flags_of(args.common), Target{Target::Rib{RibRequest{RibRequest::Overview{}}}}};
}
}  // namespace quamorsc
