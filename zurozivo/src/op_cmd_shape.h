// The shape of each operational-command type: a record's name and named fields, and each variant
// alternative's name and the values it holds. The debug text and the JSON text are both derived
// from these shapes, one rule per kind, so no type is written by hand.
#pragma once

#include <string_view>
#include <tuple>

#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd::shape {

template <class T>
struct Field {
  std::string_view name;
  const T& value;
};

template <class... T>
struct Record {
  std::string_view name;
  std::tuple<Field<T>...> fields;
};

// An alternative holding no value, one value, or (for `Routes`) two unnamed values.
template <class... T>
struct Alternative {
  std::string_view name;
  std::tuple<const T&...> values;
};

template <class T>
Field<T> field(std::string_view name, const T& value) {
  return {name, value};
}

template <class... T>
Record<T...> record(std::string_view name, Field<T>... fields) {
  return {name, {fields...}};
}

template <class... T>
Alternative<T...> alternative(std::string_view name, const T&... values) {
  return {name, std::tie(values...)};
}

inline auto describe(const OpCmd& cmd) {
  return record("OpCmd", field("flags", cmd.flags), field("target", cmd.target));
}
inline auto describe(const Flags& flags) {
  return record("Flags", field("bits", flags.bits));
}
inline auto describe(const RequestOrigin& origin) {
  return record("RequestOrigin", field("bits", origin.bits));
}
inline auto describe(const OspfV2RequestArea& area) {
  return record("OspfV2RequestArea", field("area_id", area.area_id),
                field("intf_info_req", area.intf_info_req), field("intf_name", area.intf_name),
                field("neigh_info_req", area.neigh_info_req), field("neigh_id", area.neigh_id));
}

inline auto describe(const Target::System& v) {
  return alternative("System", v.request);
}
inline auto describe(const Target::Bgp& v) {
  return alternative("Bgp", v.request);
}
inline auto describe(const Target::OspfV2& v) {
  return alternative("OspfV2", v.request);
}
inline auto describe(const Target::Rib& v) {
  return alternative("Rib", v.request);
}

inline auto describe(const SystemRequest::Overview&) {
  return alternative("Overview");
}
inline auto describe(const SystemRequest::Intfs& v) {
  return alternative("Intfs", v.name);
}

inline auto describe(const BgpRequest::Overview&) {
  return alternative("Overview");
}
inline auto describe(const BgpRequest::Neighs& v) {
  return alternative("Neighs", v.addr);
}

inline auto describe(const OspfV2Request::Overview&) {
  return alternative("Overview");
}
inline auto describe(const OspfV2Request::AsLsDb&) {
  return alternative("AsLsDb");
}
inline auto describe(const OspfV2Request::LsDb& v) {
  return alternative("LsDb", v.area_id);
}
inline auto describe(const OspfV2Request::Area& v) {
  return alternative("Area", v.area);
}
inline auto describe(const OspfV2Request::NetworkRoutes& v) {
  return alternative("NetworkRoutes", v.network);
}
inline auto describe(const OspfV2Request::RouterRoutes& v) {
  return alternative("RouterRoutes", v.router_id);
}

inline auto describe(const RibRequest::Overview&) {
  return alternative("Overview");
}
inline auto describe(const RibRequest::Routes& v) {
  return alternative("Routes", v.network, v.origin);
}

}  // namespace zurozivo::op_cmd::shape
