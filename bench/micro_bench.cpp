// In-process timings of the two byte-level passes of a run: the UTF-8 check of the reply (whole,
// and chunk by chunk as it arrives) and the JSON text of the operational command.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "base/utf8.h"
#include "generated_text.h"
#include "quamorsc/exchange/receive.h"
#include "zurozivo/op_cmd.h"

namespace {

using quamorsc::kReceiveSize;  // what one receive call of the client asks for

// Route-table-like JSON lines: mostly ASCII, with a two-, a three- and a four-byte character in
// some of the lines, like names and descriptions in a real table.
std::string mixed_text(std::size_t size) {
  static constexpr std::string_view lines[] = {
      R"({"prefix":"10.1.2.0/24","nexthop":"192.0.2.1","metric":20,"origin":"ospf"})"
      "\n",
      R"({"prefix":"10.1.3.0/24","nexthop":"192.0.2.7","metric":10,"name":"réseau"})"
      "\n",
      R"({"prefix":"10.1.4.0/24","nexthop":"192.0.2.9","metric":30,"cost":"12€"})"
      "\n",
      R"({"prefix":"10.1.5.0/24","nexthop":"192.0.2.3","metric":40,"mood":"😀"})"
      "\n",
  };
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; text.size() < size; ++i) {
    std::string_view line = lines[i % std::size(lines)];
    text.append(line.substr(0, size - text.size()));
  }
  // A cut character at the end would make the text invalid.
  while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0x80) != 0) {
    text.back() = 'x';
  }
  return text;
}

std::string ascii_text(std::size_t size) {
  std::string text = mixed_text(size);
  for (char& c : text) {
    if ((static_cast<unsigned char>(c) & 0x80) != 0) {
      c = '?';
    }
  }
  return text;
}

// Valid up to a stray continuation byte 100 bytes before the end.
std::string invalid_near_end(std::size_t size) {
  std::string text = ascii_text(size);
  text[size - 100] = '\x80';
  return text;
}

void run_check(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    auto error = base::check_utf8(text);
    benchmark::DoNotOptimize(error);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void BM_Utf8Ascii(benchmark::State& state) {
  run_check(state, ascii_text(static_cast<std::size_t>(state.range(0))));
}

void BM_Utf8Mixed(benchmark::State& state) {
  run_check(state, mixed_text(static_cast<std::size_t>(state.range(0))));
}

// The stand-in daemon's generated replies: a multi-byte character every 25 bytes or so.
void BM_Utf8Dense(benchmark::State& state) {
  run_check(state, e2e::generated_utf8(static_cast<std::size_t>(state.range(0))));
}

void BM_Utf8InvalidNearEnd(benchmark::State& state) {
  run_check(state, invalid_near_end(static_cast<std::size_t>(state.range(0))));
}

// As the client does it: one update per received chunk, the verdict at the end.
void BM_Utf8ChunkedMixed(benchmark::State& state) {
  const std::string text = mixed_text(static_cast<std::size_t>(state.range(0)));
  const std::string_view all = text;
  for (auto _ : state) {
    base::Utf8Checker checker;
    for (std::size_t end = 0; end < all.size();) {
      end = std::min(all.size(), end + kReceiveSize);
      checker.update(all.substr(0, end));
    }
    auto error = checker.finish(all);
    benchmark::DoNotOptimize(error);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

BENCHMARK(BM_Utf8Ascii)->Arg(100)->Arg(kReceiveSize)->Arg(64 << 20);
BENCHMARK(BM_Utf8Mixed)->Arg(100)->Arg(kReceiveSize)->Arg(64 << 20);
BENCHMARK(BM_Utf8Dense)->Arg(kReceiveSize)->Arg(64 << 20);
BENCHMARK(BM_Utf8InvalidNearEnd)->Arg(kReceiveSize)->Arg(64 << 20);
BENCHMARK(BM_Utf8ChunkedMixed)->Arg(64 << 20);

zurozivo::op_cmd::OpCmd overview_cmd() {
  using namespace zurozivo::op_cmd;
  return OpCmd{Flags::SORT | Flags::JSON_LINES, Target{Target::OspfV2{OspfV2Request{}}}};
}

// The largest command there is: an area query naming everything, with a long multi-byte name.
zurozivo::op_cmd::OpCmd area_cmd() {
  using namespace zurozivo::op_cmd;
  OspfV2RequestArea area;
  area.area_id = AreaId{base::Ipv4Addr{{0, 0, 0, 1}}};
  area.intf_info_req = true;
  std::string name;
  for (int i = 0; i < 16; ++i) {
    name += "eth\"réseau\\€";
  }
  area.intf_name = name;
  area.neigh_info_req = true;
  area.neigh_id = RouterId{base::Ipv4Addr{{10, 0, 0, 1}}};
  return OpCmd{Flags::DETAIL | Flags::JSON_PRETTY,
               Target{Target::OspfV2{OspfV2Request{OspfV2Request::Area{area}}}}};
}

void BM_JsonOverview(benchmark::State& state) {
  const auto cmd = overview_cmd();
  for (auto _ : state) {
    std::string text = zurozivo::op_cmd::to_json_text(cmd);
    benchmark::DoNotOptimize(text);
  }
}

void BM_JsonArea(benchmark::State& state) {
  const auto cmd = area_cmd();
  std::size_t size = 0;
  for (auto _ : state) {
    std::string text = zurozivo::op_cmd::to_json_text(cmd);
    size = text.size();
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(size));
}

BENCHMARK(BM_JsonOverview);
BENCHMARK(BM_JsonArea);

}  // namespace

BENCHMARK_MAIN();
