// How long one host poll (OnDataRead) takes on a simulated line, in the conditions a line
// meets: the built VD_Inv.so loaded as a host loads it, against the inverter simulator through
// a real pseudo-terminal.
//
//   Latency/C/T   condition C, T 1 with the line thread switched on (0: the host's polls run
//               the line):
//     normal          stations 1 (G11S) and 2 (P11S) answer at 9600 baud after 5 ms
//     silence         both stations stop answering: every exchange runs into its time-out
//     noise_flood     garbage of every byte value streams without pause, as fast as the
//                     driver reads it; replies go out in the middle of it
//     endless_frame   each reply begins as it should and never reaches ETX: data bytes
//                     follow, as fast as the driver reads them, until the next request
//     unplugged       the adapter is gone: its path vanishes for the whole run
//     coming_back     the run begins the moment the adapter is back behind its path
//     log_unwritable  every log switch on (each exchange writes lines, station 2 is silent
//                     so time-outs write theirs too) and the log's directory is a file
//     endless_frame_60s  the endless frame with the longest reply time-out (60000 ms) for
//                     kLongRunSeconds: one exchange that never ends, a poll reading up to
//                     2048 bytes of it all the while
//     stuck_peer      the far end never reads and the line towards it stays full, as behind a
//                     stuck adapter: no byte the driver writes finds room unless it purges its
//                     output first, and no reply comes
//
// A host thread loads the module, initialises it with read tags of both stations (scan
// period 0, so a command is always due) and the link-status tags, waits for the first reply
// and 0.5 s more, brings the condition about and then calls OnDataRead every DetectScanTime()
// ms on a fixed schedule for kRunSeconds, writing a new value to F1:3 every 50th poll. Only
// those polls are timed (the initialisation is no poll); a poll that overruns its period is
// followed by the next at once, and the schedule goes on from there.
//
// Counters: p50_us, p99_us and max_us of the polls' durations in microseconds, polls,
// over_5ms (polls longer than 5 ms), replies (the simulator's complete replies in the run), and
// the process's resident memory when the timed polls begin and end, rss_start_mb and
// rss_end_mb (the simulator's thread included).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "invsim/simulator.h"
#include "simulated_line.h"
#include "support/host_tag.h"
#include "support/module_host.h"
#include "support/temp_dir.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using vdinv::invsim::Simulator;
using vdinv::invsim::StationFaults;

constexpr double kRunSeconds = 5.0;
constexpr double kLongRunSeconds = 40.0;
constexpr uint16_t kLongestTimeoutMs = 60000;
constexpr double kWarmUpSeconds = 0.5;
constexpr uint32_t kBaud = 9600;
constexpr uint8_t kBaudIndex9600 = 6;
constexpr uint32_t kTurnaroundMs = 5;
constexpr uint32_t kComeBackGapMs = 1000;
constexpr int kWriteEvery = 50;

enum class Condition {
  kNormal,
  kSilence,
  kNoiseFlood,
  kEndlessFrame,
  kUnplugged,
  kComingBack,
  kLogUnwritable,
  kEndlessFrameLongTimeout,
  kStuckPeer,
};
constexpr const char* kConditionNames[] = {"normal",         "silence",           "noise_flood",
                                           "endless_frame",  "unplugged",         "coming_back",
                                           "log_unwritable", "endless_frame_60s", "stuck_peer"};

struct Result {
  std::string error;
  std::vector<double> micros;  // one per timed poll
  uint64_t replies = 0;
  double rssStartMb = 0;
  double rssEndMb = 0;
};

double SecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// The p-th quantile (0..1) of sorted values, by the nearest rank.
double Quantile(const std::vector<double>& sorted, double p) {
  const auto rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

// The resident memory of this process in MB (VmRSS), 0 when it cannot be read.
double ResidentMb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kb = 0;
      status >> kb;
      return kb / 1024;
    }
    status.ignore(1 << 16, '\n');
  }
  return 0;
}

class Run {
 public:
  Run(Condition condition, bool lineThread, Result& result)
      : condition_(condition),
        lineThread_(lineThread),
        result_(result),
        line_(kBaud, kTurnaroundMs) {}
  ~Run() {
    if (replug_.joinable()) replug_.join();
    unsetenv("VD_INV_COM1");
    unsetenv("VD_INV_REGISTRY");
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  void Go() {
    if (!vdinv::test::WriteHostFiles(dir_, lineThread_)) {
      result_.error = "cannot write the host's files";
      return;
    }
    // A file where the log's directory belongs: every append fails, whoever runs this.
    if (condition_ == Condition::kLogUnwritable &&
        !(vdinv::platform::CreateDirectories(dir_.Path() + "p") &&
          vdinv::platform::WriteWholeFile(dir_.Path() + "p/Debug", ""))) {
      result_.error = "cannot block the log's directory";
      return;
    }
    if (!line_.Start(&result_.error)) return;
    setenv("VD_INV_REGISTRY", dir_.File("registry.ini").c_str(), 1);
    setenv("VD_INV_COM1", sim_.LinkPath().c_str(), 1);
    vdinv::bench::RunHostThread(
        api_, result_.error, [this] { return Initialise(); }, [this] { Drive(); });
  }

 private:
  bool Initialise() {
    using vdinv::kModelG11S;
    using vdinv::kModelP11S;
    const bool longTimeout = condition_ == Condition::kEndlessFrameLongTimeout;
    std::vector<uint8_t> block =
        vdinv::test::LineBlock({{1, kModelG11S}, {2, kModelP11S}}, 1, kBaudIndex9600,
                               longTimeout ? kLongestTimeoutMs : 1000);
    if (condition_ == Condition::kLogUnwritable) {
      vdinv::TDevParmBlock pdb = vdinv::LoadPdb(block.data());
      pdb.EnDebug = pdb.EnErrorLog = pdb.EnTraceLog = 1;
      vdinv::StorePdb(block.data(), pdb);
    }
    const char* analog[] = {"F1:3", "F2:3", "M1:9", "M2:9"};
    const char* status[] = {"COMMLINK", "DEVICELINK1", "DEVICELINK2"};
    std::vector<vdinv::TTagInfo> tags;
    for (const char* a : analog) tags.push_back(Tag(a, vdinv::kAnalog));
    for (const char* s : status) tags.push_back(Tag(s, vdinv::kString));
    values_.resize(tags.size());
    return vdinv::bench::InitialiseDriver(api_, tags, block, result_.error);
  }

  vdinv::TTagInfo Tag(const char* address, uint8_t type) {
    return vdinv::test::HostTag(++lastId_, address, type, 0);
  }

  void Drive() {
    period_ = std::chrono::milliseconds(api_.detectScanTime());
    next_ = SteadyClock::now();
    const SteadyClock::time_point begin = SteadyClock::now();
    while (sim_.RepliesSent() == 0 && SecondsSince(begin) < 10) Poll();
    if (sim_.RepliesSent() == 0) {
      result_.error = "no reply before the condition";
      return;
    }
    const SteadyClock::time_point warm = SteadyClock::now();
    while (SecondsSince(warm) < kWarmUpSeconds) Poll();
    if (!BringAbout()) return;

    const uint64_t replies = sim_.RepliesSent();
    const double seconds =
        condition_ == Condition::kEndlessFrameLongTimeout ? kLongRunSeconds : kRunSeconds;
    result_.micros.reserve(static_cast<size_t>(seconds * 1000 / period_.count()) + 1);
    result_.rssStartMb = ResidentMb();
    const SteadyClock::time_point start = SteadyClock::now();
    for (int n = 1; SecondsSince(start) < seconds; ++n) {
      if (n % kWriteEvery == 0) Write(n);
      result_.micros.push_back(Poll());
    }
    result_.rssEndMb = ResidentMb();
    result_.replies = sim_.RepliesSent() - replies;
  }

  // Brings the condition about; polls go on untimed while it takes effect.
  bool BringAbout() {
    StationFaults faults;
    switch (condition_) {
      case Condition::kNormal:
        break;
      case Condition::kSilence:
        faults.silent = true;
        sim_.SetFaults(1, faults);
        sim_.SetFaults(2, faults);
        break;
      case Condition::kNoiseFlood:
        sim_.SetLine({0, kTurnaroundMs, false, true});
        break;
      case Condition::kEndlessFrame:
      case Condition::kEndlessFrameLongTimeout:
        sim_.SetLine({0, kTurnaroundMs, false, false});
        faults.endless = true;
        sim_.SetFaults(1, faults);
        sim_.SetFaults(2, faults);
        break;
      case Condition::kUnplugged:
      case Condition::kComingBack: {
        // Replug holds its caller until the adapter is back, so it runs beside the host.
        const std::string path = sim_.Path();
        const uint32_t gap = condition_ == Condition::kUnplugged
                                 ? static_cast<uint32_t>(kRunSeconds * 1000) + 1000
                                 : kComeBackGapMs;
        replug_ = std::thread([this, gap] {
          replugged_ = sim_.Replug(gap);
          back_ = true;
        });
        const SteadyClock::time_point since = SteadyClock::now();
        while (sim_.Path() == path && SecondsSince(since) < 5) Poll();
        if (condition_ == Condition::kComingBack) {
          while (!back_) Poll();
          replug_.join();
          if (!replugged_) {
            result_.error = "the adapter did not come back: " + sim_.Error();
            return false;
          }
        }
        break;
      }
      case Condition::kLogUnwritable:
        faults.silent = true;
        sim_.SetFaults(2, faults);
        break;
      case Condition::kStuckPeer: {
        vdinv::invsim::LineSettings line = sim_.Line();
        line.stuck = true;
        sim_.SetLine(line);
        break;
      }
    }
    return true;
  }

  // One poll on the schedule; its duration in microseconds.
  double Poll() {
    int32_t count = 0;
    const SteadyClock::time_point start = SteadyClock::now();
    api_.onDataRead(&count, values_.data(), nullptr);
    const double micros =
        std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
    for (int32_t i = 0; i < count; ++i) {
      if (values_[static_cast<size_t>(i)].DataType == vdinv::kString) {
        std::free(values_[static_cast<size_t>(i)].Value.text);
      }
    }
    // After an overrun the schedule starts again from now instead of catching up.
    next_ = std::max(next_ + period_, SteadyClock::now());
    std::this_thread::sleep_until(next_);
    return micros;
  }

  void Write(int n) {
    vdinv::TTagValue value{};
    value.TagID = 1;  // F1:3
    value.DataType = vdinv::kAnalog;
    value.Value.analog = 1000 + n % 1000;
    api_.onDataWrite(1, &value, nullptr);
  }

  const Condition condition_;
  const bool lineThread_;
  Result& result_;
  vdinv::bench::SimulatedLine line_;
  const vdinv::test::TempDir& dir_ = line_.dir();
  Simulator& sim_ = line_.sim();
  vdinv::test::ModuleExports api_;
  std::vector<vdinv::TTagValue> values_;
  uint32_t lastId_ = 0;
  std::chrono::milliseconds period_{10};
  SteadyClock::time_point next_;
  std::thread replug_;
  std::atomic<bool> replugged_{false};
  std::atomic<bool> back_{false};
};

void Latency(benchmark::State& state) {
  const auto condition = static_cast<Condition>(state.range(0));
  state.SetLabel(std::string(kConditionNames[state.range(0)]) +
                 (state.range(1) != 0 ? " line_thread" : ""));
  for (auto _ : state) {
    Result result;
    const SteadyClock::time_point start = SteadyClock::now();
    {
      Run run(condition, state.range(1) != 0, result);
      run.Go();
    }
    state.SetIterationTime(SecondsSince(start));
    if (result.error.empty() && result.micros.empty()) result.error = "no poll was timed";
    if (!result.error.empty()) {
      state.SkipWithError(result.error.c_str());
      return;
    }
    std::vector<double>& micros = result.micros;
    std::sort(micros.begin(), micros.end());
    state.counters["p50_us"] = Quantile(micros, 0.50);
    state.counters["p99_us"] = Quantile(micros, 0.99);
    state.counters["max_us"] = micros.back();
    state.counters["polls"] = static_cast<double>(micros.size());
    state.counters["over_5ms"] =
        static_cast<double>(micros.end() - std::upper_bound(micros.begin(), micros.end(), 5000.0));
    state.counters["replies"] = static_cast<double>(result.replies);
    state.counters["rss_start_mb"] = result.rssStartMb;
    state.counters["rss_end_mb"] = result.rssEndMb;
  }
}
BENCHMARK(Latency)
    ->ArgsProduct({benchmark::CreateDenseRange(0, static_cast<int>(Condition::kStuckPeer), 1),
                   {0, 1}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
