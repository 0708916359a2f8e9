// Initialisation of a full line: 100 stations, every tag's address parsed, the tag table built,
// the tags grouped into read commands and every frame built, with logging off. The driver
// object's construction (log maintenance, start banner) and its destruction (run report) lie
// outside the measurement.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_line.h"
#include "common/module_info.h"
#include "common/parameter_block.h"
#include "common/records.h"
#include "engine/driver_environment.h"
#include "platform/clock.h"
#include "protocol/dll_object.h"

namespace {

using vdinv::TTagInfo;

constexpr int kStations = 100;

// Scan periods of 500, 750 and 1000 ms by copy.
uint32_t Staggered(int copy) {
  return 500 + 250 * static_cast<uint32_t>(copy % 3);
}

void Initialise(benchmark::State& state) {
  const int codesPerStation = static_cast<int>(state.range(0));
  const int tagsPerCode = static_cast<int>(state.range(1));
  const std::vector<TTagInfo> tags =
      vdinv::bench::Workload(kStations, codesPerStation, tagsPerCode, Staggered);
  vdinv::engine::TagInfoList list;
  for (const TTagInfo& info : tags) list.push_back(&info);
  const vdinv::TDevParmBlock block = vdinv::bench::StationsBlock(kStations);

  const vdinv::bench::Surroundings surroundings("vdinv_bench", vdinv::platform::SystemClock());
  const vdinv::engine::DriverEnvironment& env = surroundings.Environment();
  const size_t commands = static_cast<size_t>(kStations) * codesPerStation;

  for (auto _ : state) {
    state.PauseTiming();
    auto object = std::make_unique<vdinv::protocol::TDLLObject>(env, true);
    state.ResumeTiming();
    bool ok = object->IniDLLObj(&block, list);
    state.PauseTiming();
    if (!ok || object->TagCount() != static_cast<int32_t>(tags.size()) ||
        object->Commands().size() != commands) {
      state.SkipWithError("initialisation gave another table or command list");
    }
    object.reset();
    state.ResumeTiming();
  }
  state.counters["tags"] = static_cast<double>(tags.size());
  state.counters["commands"] = static_cast<double>(commands);
}

// The grouping and frame part alone: the table stays, the read commands are built again.
void Regroup(benchmark::State& state) {
  const std::vector<TTagInfo> tags = vdinv::bench::Workload(
      kStations, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), Staggered);
  vdinv::engine::TagInfoList list;
  for (const TTagInfo& info : tags) list.push_back(&info);
  const vdinv::TDevParmBlock block = vdinv::bench::StationsBlock(kStations);
  const vdinv::bench::Surroundings surroundings("vdinv_bench", vdinv::platform::SystemClock());
  const vdinv::engine::DriverEnvironment& env = surroundings.Environment();
  {
    vdinv::protocol::TDLLObject object(env, true);
    if (!object.IniDLLObj(&block, list)) state.SkipWithError("initialisation failed");
    for (auto _ : state) object.Refresh();
    state.counters["commands"] = static_cast<double>(object.Commands().size());
  }
}

}  // namespace

// 20,000 tags: 100 codes per station, two tags each.
BENCHMARK(Initialise)->Args({100, 2})->Unit(benchmark::kMillisecond)->Iterations(10);
// 40,000 tags: 200 codes per station, two tags each (twice the commands) ...
BENCHMARK(Initialise)->Args({200, 2})->Unit(benchmark::kMillisecond)->Iterations(10);
// ... and 100 codes per station, four tags each (twice the tags per command).
BENCHMARK(Initialise)->Args({100, 4})->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK(Regroup)->Args({100, 2})->Args({200, 2})->Args({100, 4})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
