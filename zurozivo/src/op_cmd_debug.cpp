#include <array>
#include <string_view>
#include <tuple>
#include <utility>
#include <variant>

#include "base/debug_text.h"
#include "op_cmd_shape.h"
#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd {

namespace {

template <class... T>
void debug_shape(std::string& out, const shape::Record<T...>& rec) {
  base::DebugRecord writer(out, rec.name);
  std::apply([&](const auto&... f) { (writer.field(f.name, f.value), ...); }, rec.fields);
  writer.finish();
}

template <class... T>
void debug_shape(std::string& out, const shape::Alternative<T...>& alt) {
  base::DebugTuple writer(out, alt.name);
  std::apply([&](const auto&... v) { (writer.value(v), ...); }, alt.values);
  writer.finish();
}

template <class... A>
void debug_variant(std::string& out, const std::variant<A...>& value) {
  std::visit([&](const auto& alt) { debug_shape(out, shape::describe(alt)); }, value);
}

// Names of the set bits among `names`, joined by " | "; "(empty)" when none of them is set.
template <class Bits, std::size_t N>
void debug_bits(std::string& out, Bits value,
                const std::array<std::pair<Bits, std::string_view>, N>& names) {
  bool first = true;
  for (const auto& [bit, name] : names) {
    if (value.contains(bit)) {
      out += first ? "" : " | ";
      out += name;
      first = false;
    }
  }
  if (first) {
    out += "(empty)";
  }
}

}  // namespace

void debug_fmt(std::string& out, Flags flags) {
  if (flags == Flags::EMPTY) {
    out += "EMPTY";
    return;
  }
  static constexpr std::array<std::pair<Flags, std::string_view>, 5> names{{
      {Flags::JSON_LINES, "JSON_LINES"},
      {Flags::JSON_PRETTY, "JSON_PRETTY"},
      {Flags::JSON_MACHINE, "JSON_MACHINE"},
      {Flags::SORT, "SORT"},
      {Flags::DETAIL, "DETAIL"},
  }};
  debug_bits(out, flags, names);
}

void debug_fmt(std::string& out, RequestOrigin origin) {
  static constexpr std::array<std::pair<RequestOrigin, std::string_view>, 2> names{{
      {RequestOrigin::KERNEL, "KERNEL"},
      {RequestOrigin::OSPFV2, "OSPFV2"},
  }};
  debug_bits(out, origin, names);
}

void debug_fmt(std::string& out, const SystemRequest& request) {
  debug_variant(out, request.value);
}

void debug_fmt(std::string& out, const BgpRequest& request) {
  debug_variant(out, request.value);
}

void debug_fmt(std::string& out, const OspfV2RequestArea& area) {
  debug_shape(out, shape::describe(area));
}

void debug_fmt(std::string& out, const OspfV2Request& request) {
  debug_variant(out, request.value);
}

void debug_fmt(std::string& out, const RibRequest& request) {
  debug_variant(out, request.value);
}

void debug_fmt(std::string& out, const Target& target) {
  debug_variant(out, target.value);
}

void debug_fmt(std::string& out, const OpCmd& cmd) {
  debug_shape(out, shape::describe(cmd));
}

}  // namespace zurozivo::op_cmd
