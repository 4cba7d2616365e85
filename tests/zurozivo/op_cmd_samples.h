// Short builders of operational commands for the tests: a target from one request alternative,
// and a command from a target with the default flags unless others are given.
#pragma once

#include <cstdint>
#include <utility>

#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd::samples {

inline base::Ipv4Addr addr(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return base::Ipv4Addr{{a, b, c, d}};
}

inline Ipv4Network net(base::Ipv4Addr a, std::uint8_t prefix) {
  return Ipv4Network{a, prefix};
}

inline Target sys(auto alternative) {
  return Target{Target::System{SystemRequest{std::move(alternative)}}};
}
inline Target bgp(auto alternative) {
  return Target{Target::Bgp{BgpRequest{std::move(alternative)}}};
}
inline Target ospf(auto alternative) {
  return Target{Target::OspfV2{OspfV2Request{std::move(alternative)}}};
}
inline Target rib(auto alternative) {
  return Target{Target::Rib{RibRequest{std::move(alternative)}}};
}

// What the client asks for when no option changes the output.
inline constexpr Flags kDefaultFlags = Flags::JSON_LINES | Flags::SORT;

inline OpCmd cmd(Target target, Flags flags = kDefaultFlags) {
  return OpCmd{flags, std::move(target)};
}

// An area request with the fields named that it sets, as in area({.area_id = id}).
inline OspfV2Request::Area area(OspfV2RequestArea fields) {
  return {std::move(fields)};
}

}  // namespace zurozivo::op_cmd::samples
