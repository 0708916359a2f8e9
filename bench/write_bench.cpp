// How soon a host's write reaches the inverter on a line whose read cycle is long: the built
// VD_Inv.so, loaded as a host loads it, against the inverter simulator through a real
// pseudo-terminal at 9600 baud.
//
//   WriteDelay/S   stations 1..S (G11S) with kCodes read tags each (F00 up, scan period 0, every
//                  code its own request): one read cycle takes far longer than the 10 s a
//                  queued write may wait. After kWarmUpSeconds, in which every read falls
//                  behind, a host thread writes a new value to F1:3 every kWriteEveryMs for
//                  kRunSeconds, polling every DetectScanTime() ms.
//
// Counters: writes (OnDataWrite calls), answered_true, arrived (the simulator held the value
// before the next write), expired (reports of F1:3 with the expired-write quality),
// delay_p50_ms and delay_max_ms (from the write to the first poll after which the simulator
// holds the value) and reads_per_s (the simulator's replies per second, so the read cycle is
// stations x codes / reads_per_s).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/parameter_block.h"
#include "invsim/simulator.h"
#include "simulated_line.h"
#include "support/device_block.h"
#include "support/host_tag.h"
#include "support/module_host.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kCodes = 40;
constexpr double kWarmUpSeconds = 12.0;
constexpr double kRunSeconds = 30.0;
constexpr int kWriteEveryMs = 1000;
constexpr uint32_t kBaud = 9600;
constexpr uint8_t kBaudIndex9600 = 6;
constexpr uint32_t kTurnaroundMs = 5;
constexpr uint32_t kQualityWriteExpired = 0x02000000;
constexpr uint32_t kWrittenTagId = 1;  // F1:3

double SecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

struct Result {
  std::string error;
  int writes = 0;
  int answeredTrue = 0;
  int arrived = 0;
  int expired = 0;
  std::vector<double> delaysMs;
  double readsPerSecond = 0;
};

class Run {
 public:
  Run(int stations, Result& result)
      : stations_(stations), result_(result), line_(kBaud, kTurnaroundMs) {}
  ~Run() {
    unsetenv("VD_INV_COM1");
    unsetenv("VD_INV_REGISTRY");
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  void Go() {
    if (!vdinv::test::WriteHostFiles(line_.dir())) {
      result_.error = "cannot write the host's files";
      return;
    }
    for (int station = 1; station <= stations_; ++station) {
      sim().SetStation(station, vdinv::invsim::Model::kG11S);
    }
    if (!line_.Start(&result_.error)) return;
    setenv("VD_INV_REGISTRY", line_.dir().File("registry.ini").c_str(), 1);
    setenv("VD_INV_COM1", sim().LinkPath().c_str(), 1);
    vdinv::bench::RunHostThread(
        api_, result_.error, [this] { return Initialise(); }, [this] { Drive(); });
  }

 private:
  vdinv::invsim::Simulator& sim() { return line_.sim(); }

  bool Initialise() {
    vdinv::TDevParmBlock pdb = vdinv::test::DevicesBlock({});
    for (int station = 1; station <= stations_; ++station) {
      pdb.Devices[station].Model = vdinv::kModelG11S;
      pdb.Devices[station].ModelName.Set("G11S");
    }
    pdb.ComPort = 0;
    pdb.BaudIndex = kBaudIndex9600;
    std::vector<uint8_t> block(vdinv::kPdbLength, 0);
    vdinv::StorePdb(block.data(), pdb);
    // F1:3 first, so that its identifier is kWrittenTagId.
    std::vector<std::string> addresses = {"F1:3"};
    for (int station = 1; station <= stations_; ++station) {
      for (int code = 0; code < kCodes; ++code) {
        if (station != 1 || code != 3) {
          addresses.push_back("F" + std::to_string(station) + ":" + std::to_string(code));
        }
      }
    }
    std::vector<vdinv::TTagInfo> tags;
    for (const std::string& address : addresses) {
      tags.push_back(vdinv::test::HostTag(static_cast<uint32_t>(tags.size() + 1), address.c_str(),
                                          vdinv::kAnalog, 0));
    }
    values_.resize(tags.size());
    return vdinv::bench::InitialiseDriver(api_, tags, block, result_.error);
  }

  void Drive() {
    period_ = std::chrono::milliseconds(api_.detectScanTime());
    next_ = SteadyClock::now();
    const SteadyClock::time_point warm = SteadyClock::now();
    while (SecondsSince(warm) < kWarmUpSeconds) Poll();
    if (sim().RepliesSent() == 0) {
      result_.error = "no reply in the warm-up";
      return;
    }
    const uint64_t replies = sim().RepliesSent();
    const SteadyClock::time_point start = SteadyClock::now();
    while (SecondsSince(start) < kRunSeconds) {
      const int value = 1000 + result_.writes % 1000;
      const SteadyClock::time_point written = SteadyClock::now();
      if (Write(value)) ++result_.answeredTrue;
      ++result_.writes;
      bool arrived = false;
      while (std::chrono::duration<double, std::milli>(SteadyClock::now() - written).count() <
             kWriteEveryMs) {
        Poll();
        if (!arrived && sim().Value(1, {'F', 3}) == value) {
          arrived = true;
          ++result_.arrived;
          result_.delaysMs.push_back(
              std::chrono::duration<double, std::milli>(SteadyClock::now() - written).count());
        }
      }
    }
    result_.readsPerSecond =
        static_cast<double>(sim().RepliesSent() - replies) / SecondsSince(start);
  }

  void Poll() {
    int32_t count = 0;
    api_.onDataRead(&count, values_.data(), nullptr);
    for (int32_t i = 0; i < count; ++i) {
      const vdinv::TTagValue& value = values_[static_cast<size_t>(i)];
      if (value.TagID == kWrittenTagId && value.Quality == kQualityWriteExpired) {
        ++result_.expired;
      }
    }
    next_ = std::max(next_ + period_, SteadyClock::now());
    std::this_thread::sleep_until(next_);
  }

  bool Write(int value) {
    vdinv::TTagValue record{};
    record.TagID = kWrittenTagId;
    record.DataType = vdinv::kAnalog;
    record.Value.analog = value;
    return api_.onDataWrite(1, &record, nullptr);
  }

  const int stations_;
  Result& result_;
  vdinv::bench::SimulatedLine line_;
  vdinv::test::ModuleExports api_;
  std::vector<vdinv::TTagValue> values_;
  std::chrono::milliseconds period_{10};
  SteadyClock::time_point next_;
};

void WriteDelay(benchmark::State& state) {
  for (auto _ : state) {
    Result result;
    const SteadyClock::time_point start = SteadyClock::now();
    {
      Run run(static_cast<int>(state.range(0)), result);
      run.Go();
    }
    state.SetIterationTime(SecondsSince(start));
    if (!result.error.empty()) {
      state.SkipWithError(result.error.c_str());
      return;
    }
    std::vector<double>& delays = result.delaysMs;
    std::sort(delays.begin(), delays.end());
    state.counters["writes"] = result.writes;
    state.counters["answered_true"] = result.answeredTrue;
    state.counters["arrived"] = result.arrived;
    state.counters["expired"] = result.expired;
    state.counters["delay_p50_ms"] = delays.empty() ? 0 : delays[delays.size() / 2];
    state.counters["delay_max_ms"] = delays.empty() ? 0 : delays.back();
    state.counters["reads_per_s"] = result.readsPerSecond;
  }
}
BENCHMARK(WriteDelay)->Arg(99)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
