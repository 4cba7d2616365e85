#include <string>
#include <variant>

#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd {

namespace {

std::string area_path(const AreaId& id, std::string_view sub) {
  std::string path = "/ospfv2/area?area_id=";
  base::append_dotted(path, id.addr);
  path += sub;
  return path;
}

// Only the kind of request reaches the path: names, addresses, networks, router ids and origins
// go to the daemon over the local socket alone.
std::string path_of(const SystemRequest::Overview&) {
  return "/system";
}
std::string path_of(const SystemRequest::Intfs&) {
  return "/system/intf";
}
std::string path_of(const BgpRequest::Overview&) {
  return "/bgp";
}
std::string path_of(const BgpRequest::Neighs&) {
  return "/bgp/neighs";
}
std::string path_of(const OspfV2Request::Overview&) {
  return "/ospfv2";
}
std::string path_of(const OspfV2Request::AsLsDb&) {
  return "/ospfv2/lsdb";
}
std::string path_of(const OspfV2Request::LsDb& v) {
  return area_path(v.area_id, "/lsdb");
}
std::string path_of(const OspfV2Request::Area& v) {
  return gen_url(v.area);
}
std::string path_of(const OspfV2Request::NetworkRoutes&) {
  return "/ospfv2/prefix-network";
}
std::string path_of(const OspfV2Request::RouterRoutes&) {
  return "/ospfv2/prefix-router";
}
std::string path_of(const RibRequest::Overview&) {
  return "/ribv4";
}
std::string path_of(const RibRequest::Routes&) {
  return "/ribv4/prefix";
}
std::string path_of(const Target::System& v) {
  return gen_url(v.request);
}
std::string path_of(const Target::Bgp& v) {
  return gen_url(v.request);
}
std::string path_of(const Target::OspfV2& v) {
  return gen_url(v.request);
}
std::string path_of(const Target::Rib& v) {
  return gen_url(v.request);
}

template <class... A>
std::string path_of(const std::variant<A...>& value) {
  return std::visit([](const auto& alt) { return path_of(alt); }, value);
}

}  // namespace

std::string nothing_found() {
  return {};
}

std::string gen_url(const SystemRequest& request) {
  return path_of(request.value);
}

std::string gen_url(const BgpRequest& request) {
  return path_of(request.value);
}

std::string gen_url(const OspfV2RequestArea& area) {
  if (!area.area_id) {
    return nothing_found();
  }
  if (area.neigh_info_req) {
    return area_path(*area.area_id, "/intf/neigh");
  }
  if (area.intf_info_req) {
    return area_path(*area.area_id, "/intf");
  }
  return area_path(*area.area_id, "");
}

std::string gen_url(const OspfV2Request& request) {
  return path_of(request.value);
}

std::string gen_url(const RibRequest& request) {
  return path_of(request.value);
}

std::string gen_url(const Target& target) {
  return path_of(target.value);
}

std::string OpCmd::gen_url() const {
  std::string path = op_cmd::gen_url(target);
  // A command with both format bits, which the client never builds, gets the pretty form.
  if (flags.contains(Flags::JSON_PRETTY)) {
    path += "/json-pretty";
  } else if (flags.contains(Flags::JSON_MACHINE)) {
    path += "/json";
  }
  return path;
}

}  // namespace zurozivo::op_cmd
