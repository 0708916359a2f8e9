// One host poll of a running line, as OnDataRead makes it: one machine step and the report of
// changed tags, with nothing changing. Lines of S stations with C distinct readable function
// codes per station and T tags per code; every reply arrives at once and carries the values
// the tags already have, and the clock stands still, so only the cost of the poll itself is
// measured. Logging is off.
//
//   PollIdle/S/C/T      every command has run and none is due: the scheduler looks at every
//                       read command and finds nothing; the report finds nothing touched.
//   PollBusy/S/C/T      scan periods of 0: every poll takes a reply (the link status is kept)
//                       and sends the next command.
//   PollIdleNoScan/S/C/T the idle poll with a scheduler that finds nothing without looking:
//                       what the poll costs besides the scheduler's pass.
//   PollScheduler/S/C/T the scheduler's pass alone, on the idle line.
//   PollReport/S/C/T    the report walk alone, with nothing touched.
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
#include "host/runtime_api.h"
#include "platform/clock.h"
#include "protocol/dll_object.h"
#include "support/quiet_serial_device.h"

namespace {

using vdinv::TTagInfo;

// A clock that stands still.
class StillClock : public vdinv::platform::IClock {
 public:
  uint32_t TickCount() const override { return 100000; }
  vdinv::platform::LocalDateTime Now() const override { return {2026, 12, 7, 7, 26, 50, 0}; }
};

// Every reply arrives at once and changes nothing.
class AnsweringLine : public vdinv::protocol::TDLLObject {
 public:
  using TDLLObject::TDLLObject;
  bool GetResult() override { return CurCommand_ != nullptr; }
  // With skipScan the scheduler finds nothing without looking: the rest of the poll alone.
  void GetNextCommand() override {
    if (!skipScan) {
      TDLLObject::GetNextCommand();
      return;
    }
    CurCommand_ = nullptr;
    NextCommand_ = nullptr;
  }
  void Schedule() { GetNextCommand(); }
  bool skipScan = false;
};

// A running line of the benchmark's shape.
struct Running {
  Running(const benchmark::State& state, uint32_t scanPeriod)
      : stations(static_cast<int>(state.range(0))),
        tags(vdinv::bench::Workload(stations, static_cast<int>(state.range(1)),
                                    static_cast<int>(state.range(2)),
                                    [scanPeriod](int) { return scanPeriod; })) {
    object = std::make_unique<AnsweringLine>(surroundings.Environment(), true);
    vdinv::engine::TagInfoList list;
    for (const TTagInfo& info : tags) list.push_back(&info);
    const vdinv::TDevParmBlock block = vdinv::bench::StationsBlock(stations);
    ok = object->IniDLLObj(&block, list);
    values.resize(tags.size());
  }
  ~Running() { object.reset(); }
  int32_t Poll() {
    int32_t count = 0;
    vdinv::host::PollDriver(*object, &count, values.data(), nullptr);
    return count;
  }
  // Polls until every read command has run once (and the build's status is reported).
  void Settle() {
    for (size_t i = 0; i <= object->Commands().size() + 1; ++i) Poll();
  }
  void Count(benchmark::State& state) const {
    state.counters["tags"] = static_cast<double>(object->TagCount());
    state.counters["commands"] = static_cast<double>(object->Commands().size());
  }

  int stations;
  std::vector<TTagInfo> tags;
  StillClock clock;
  vdinv::bench::Surroundings surroundings{"vdinv_poll_bench", clock};
  std::unique_ptr<AnsweringLine> object;
  std::vector<vdinv::TTagValue> values;
  bool ok = false;
};

void PollIdle(benchmark::State& state) {
  Running line(state, 1000);
  if (!line.ok) state.SkipWithError("initialisation failed");
  line.Settle();
  for (auto _ : state) {
    if (line.Poll() != 0 || line.object->CurCommand() != nullptr) {
      state.SkipWithError("the idle line sent or reported something");
      break;
    }
  }
  line.Count(state);
}

void PollIdleNoScan(benchmark::State& state) {
  Running line(state, 1000);
  if (!line.ok) state.SkipWithError("initialisation failed");
  line.Settle();
  line.object->skipScan = true;
  for (auto _ : state) {
    if (line.Poll() != 0 || line.object->CurCommand() != nullptr) {
      state.SkipWithError("the idle line sent or reported something");
      break;
    }
  }
  line.Count(state);
}

void PollBusy(benchmark::State& state) {
  Running line(state, 0);
  if (!line.ok) state.SkipWithError("initialisation failed");
  line.Settle();
  for (auto _ : state) {
    if (line.Poll() != 0 || line.object->CurCommand() == nullptr) {
      state.SkipWithError("the busy line reported something or sent nothing");
      break;
    }
  }
  line.Count(state);
}

void PollScheduler(benchmark::State& state) {
  Running line(state, 1000);
  if (!line.ok) state.SkipWithError("initialisation failed");
  line.Settle();
  for (auto _ : state) line.object->Schedule();
  line.Count(state);
}

void PollReport(benchmark::State& state) {
  Running line(state, 1000);
  if (!line.ok) state.SkipWithError("initialisation failed");
  line.Settle();
  for (auto _ : state) {
    int32_t count = 0;
    line.object->ReportChangedTags(line.tags.size(), 0, [&](const vdinv::TTagItem&) { ++count; });
    benchmark::DoNotOptimize(count);
  }
  line.Count(state);
}

}  // namespace

// 20 tags on 10 commands, and 20,000 tags on 10,000 commands, side by side.
BENCHMARK(PollIdle)->Args({10, 1, 2})->Args({100, 100, 2})->Unit(benchmark::kMicrosecond);
BENCHMARK(PollIdleNoScan)->Args({10, 1, 2})->Args({100, 100, 2})->Unit(benchmark::kMicrosecond);
BENCHMARK(PollBusy)->Args({10, 1, 2})->Args({100, 100, 2})->Unit(benchmark::kMicrosecond);
BENCHMARK(PollScheduler)->Args({10, 1, 2})->Args({100, 100, 2})->Unit(benchmark::kMicrosecond);
BENCHMARK(PollReport)->Args({10, 1, 2})->Args({100, 100, 2})->Unit(benchmark::kMicrosecond);
