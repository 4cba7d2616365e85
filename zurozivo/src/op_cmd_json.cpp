#include <optional>
#include <string>
#include <tuple>
#include <variant>

#include <nlohmann/json.hpp>

#include "op_cmd_shape.h"
#include "zurozivo/op_cmd.h"

using nlohmann::ordered_json;

// Addresses, networks and the two OSPF ids are written as their text, with no object around them.
namespace base {

static void to_json(ordered_json& j, const Ipv4Addr& addr) {
  j = to_dotted(addr);
}

// The network exactly as stored, host bits included.
static void to_json(ordered_json& j, const Ipv4Network& net) {
  j = to_string(net);
}

}  // namespace base

namespace packet::ospf {

static void to_json(ordered_json& j, const AreaId& id) {
  j = base::to_dotted(id.addr);
}

static void to_json(ordered_json& j, const RouterId& id) {
  j = base::to_dotted(id.addr);
}

}  // namespace packet::ospf

namespace zurozivo::op_cmd {

static void to_json(ordered_json& j, const Flags& flags);
static void to_json(ordered_json& j, const RequestOrigin& origin);
static void to_json(ordered_json& j, const SystemRequest& request);
static void to_json(ordered_json& j, const BgpRequest& request);
static void to_json(ordered_json& j, const OspfV2RequestArea& area);
static void to_json(ordered_json& j, const OspfV2Request& request);
static void to_json(ordered_json& j, const RibRequest& request);
static void to_json(ordered_json& j, const Target& target);
static void to_json(ordered_json& j, const OpCmd& cmd);

namespace {

template <class T>
ordered_json json_value(const T& value) {
  return ordered_json(value);
}

// An absent value is null; a present one is written bare.
template <class T>
ordered_json json_value(const std::optional<T>& value) {
  return value ? json_value(*value) : ordered_json(nullptr);
}

// A record is an object with every field, in declaration order.
template <class... T>
ordered_json json_shape(const shape::Record<T...>& rec) {
  ordered_json j = ordered_json::object();
  std::apply([&](const auto&... f) { (j.emplace(std::string(f.name), json_value(f.value)), ...); },
             rec.fields);
  return j;
}

// An alternative without data is its name; one with data is an object whose one member is named
// after it, holding the value, or an array of the values when there are several.
template <class... T>
ordered_json json_shape(const shape::Alternative<T...>& alt) {
  if constexpr (sizeof...(T) == 0) {
    return std::string(alt.name);
  } else {
    ordered_json inner;
    if constexpr (sizeof...(T) == 1) {
      inner = json_value(std::get<0>(alt.values));
    } else {
      inner = ordered_json::array();
      std::apply([&](const auto&... v) { (inner.push_back(json_value(v)), ...); }, alt.values);
    }
    ordered_json j = ordered_json::object();
    j.emplace(std::string(alt.name), std::move(inner));
    return j;
  }
}

template <class... A>
ordered_json json_variant(const std::variant<A...>& value) {
  return std::visit([](const auto& alt) { return json_shape(shape::describe(alt)); }, value);
}

}  // namespace

static void to_json(ordered_json& j, const Flags& flags) {
  j = json_shape(shape::describe(flags));
}

static void to_json(ordered_json& j, const RequestOrigin& origin) {
  j = json_shape(shape::describe(origin));
}

static void to_json(ordered_json& j, const SystemRequest& request) {
  j = json_variant(request.value);
}

static void to_json(ordered_json& j, const BgpRequest& request) {
  j = json_variant(request.value);
}

static void to_json(ordered_json& j, const OspfV2RequestArea& area) {
  j = json_shape(shape::describe(area));
}

static void to_json(ordered_json& j, const OspfV2Request& request) {
  j = json_variant(request.value);
}

static void to_json(ordered_json& j, const RibRequest& request) {
  j = json_variant(request.value);
}

static void to_json(ordered_json& j, const Target& target) {
  j = json_variant(target.value);
}

static void to_json(ordered_json& j, const OpCmd& cmd) {
  j = json_shape(shape::describe(cmd));
}

std::string to_json_text(const OpCmd& cmd) {
  // Compact, UTF-8 kept as it is; a broken byte sequence in a name becomes U+FFFD instead of an
  // exception, so the text is always valid UTF-8.
  return ordered_json(cmd).dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

}  // namespace zurozivo::op_cmd
