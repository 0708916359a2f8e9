// Read exchanges per second on a simulated line: the built VD_Inv.so, loaded as a host loads
// it, against the inverter simulator through a real pseudo-terminal, beside an ideal client
// that sends the next read request the moment the previous reply is complete.
//
//   Line/B/P/T   B baud, a host poll every P µs, T 1 with the line thread switched on (0: the
//            host's polls run the line): the simulator sends every reply one character time
//            (ten bits) per byte after a fixed turnaround of 5 ms. Two runs of kRunSeconds
//            each:
//            - the driver: a host thread loads the module, initialises it with read tags of
//              stations 1 and 2 (scan period 0, so a command is always due) and calls
//              OnDataRead every P µs on a fixed schedule;
//            - the ideal client: a loop that opens the line itself and sends "read F03 of
//              station 1" as soon as the 16 bytes of the previous reply are in.
//            Exchanges are the simulator's replies counted during the run.
//
// Counters:
//   driver_per_s        exchanges per second of the driver
//   ideal_per_s         exchanges per second of the ideal client
//   poll_limit_per_s    one exchange per whole number of poll periods, an exchange taking
//                       (16 request + 16 reply bytes) x 10 bits / baud + turnaround
//   line_limit_per_s    the same with only the reply's 16 bytes: the simulator delivers a
//                       request at once and paces only its reply
//   wire_limit_per_s    the reply's 16 bytes and the turnaround back to back, without polls:
//                       the wire's limit with this simulator
//   driver_vs_poll_limit, driver_vs_line_limit, driver_vs_wire, driver_vs_ideal   ratios of
//                       driver_per_s
//   driver_cpu_ms_per_x, ideal_cpu_ms_per_x  process CPU time per exchange
//                       during the run, less the simulator thread's own
//   polls               OnDataRead calls made in the driver's run
// The benchmark's time is the driver's run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/parameter_block.h"
#include "common/records.h"
#include "invsim/simulator.h"
#include "line_limits.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/pseudo_terminal.h"
#include "platform/threading.h"
#include "protocol/check_code.h"
#include "simulated_line.h"
#include "support/host_tag.h"
#include "support/module_host.h"
#include "support/temp_dir.h"

namespace {

using vdinv::TTagInfo;
using vdinv::TTagValue;
using SteadyClock = std::chrono::steady_clock;
using vdinv::bench::kFrameBytes;
using vdinv::bench::kTurnaroundMs;
using vdinv::bench::PollBound;
using vdinv::bench::SimulatedLine;
using vdinv::bench::WireBound;

constexpr double kRunSeconds = 4.0;
constexpr double kWarmUpSeconds = 0.5;

struct RunResult {
  bool ok = false;
  std::string error;
  uint64_t exchanges = 0;
  double seconds = 0;
  double cpuSeconds = 0;
  uint64_t polls = 0;
  double pollMs = 0;
};

double SecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

TTagInfo Tag(uint32_t id, const char* address) {
  return vdinv::test::HostTag(id, address, vdinv::kAnalog, 0);
}

uint8_t BaudIndexOf(uint32_t baud) {
  return baud == 19200 ? 8 : 6;
}

// What one run of the driver varies: the line's rate, the host's poll period and the mode.
struct DriverRun {
  uint32_t baud = 9600;
  int64_t pollUs = 10000;
  bool lineThread = false;
};

// The host thread's work: load, initialise, poll on a fixed schedule, free, unload.
void DriveModule(SimulatedLine& line, const DriverRun& run, RunResult& result) {
  const uint32_t baud = run.baud;
  vdinv::platform::DynamicLibrary module;
  if (!module.Open(VDINV_MODULE_PATH, &result.error)) return;
  vdinv::test::ModuleExports api;
  if (!api.Find(module)) {
    result.error = "an export is missing";
    return;
  }

  std::vector<uint8_t> block = vdinv::test::LineBlock(
      {{1, vdinv::kModelG11S}, {2, vdinv::kModelP11S}}, 1, BaudIndexOf(baud));
  TTagInfo tags[] = {Tag(1, "F1:3"), Tag(2, "F2:3"), Tag(3, "M1:9"), Tag(4, "M2:9")};
  std::vector<TTagInfo*> list;
  for (TTagInfo& t : tags) list.push_back(&t);
  char* msg = nullptr;
  const bool initialised =
      api.iniDriver(static_cast<int32_t>(list.size()), list.data(), block.data(), &msg);
  std::free(msg);
  if (!initialised) {
    result.error = "IniDriver failed";
    module.Close();
    return;
  }

  const auto period = std::chrono::microseconds(run.pollUs);
  result.pollMs = static_cast<double>(run.pollUs) / 1000.0;
  std::vector<TTagValue> values(64);
  vdinv::invsim::Simulator& sim = line.sim();
  SteadyClock::time_point next = SteadyClock::now();
  auto poll = [&] {
    int32_t count = 0;
    api.onDataRead(&count, values.data(), nullptr);
    next += period;
    std::this_thread::sleep_until(next);
  };
  // Warm up: until the first reply is in (the port is open), then a little longer.
  const SteadyClock::time_point begin = SteadyClock::now();
  while (sim.RepliesSent() == 0 && SecondsSince(begin) < 10) poll();
  const SteadyClock::time_point warm = SteadyClock::now();
  while (SecondsSince(warm) < kWarmUpSeconds) poll();

  const uint64_t replies = sim.RepliesSent();
  const double cpu = vdinv::platform::ProcessCpuSeconds() - sim.CpuSeconds();
  const SteadyClock::time_point start = SteadyClock::now();
  while (SecondsSince(start) < kRunSeconds) {
    poll();
    ++result.polls;
  }
  result.seconds = SecondsSince(start);
  result.cpuSeconds = vdinv::platform::ProcessCpuSeconds() - sim.CpuSeconds() - cpu;
  result.exchanges = sim.RepliesSent() - replies;
  api.freeDriver();
  module.Close();
  result.ok = result.exchanges > 0;
  if (!result.ok) result.error = "the driver exchanged nothing";
}

RunResult RunDriver(const DriverRun& run) {
  RunResult result;
  SimulatedLine line(run.baud, kTurnaroundMs);
  if (!vdinv::test::WriteHostFiles(line.dir(), run.lineThread)) {
    result.error = "cannot write the host's files";
    return result;
  }
  if (!line.Start(&result.error)) return result;
  setenv("VD_INV_REGISTRY", line.dir().File("registry.ini").c_str(), 1);
  setenv("VD_INV_COM1", line.sim().LinkPath().c_str(), 1);
  std::thread host([&] { DriveModule(line, run, result); });
  host.join();
  unsetenv("VD_INV_COM1");
  unsetenv("VD_INV_REGISTRY");
  return result;
}

// SOH "01" ENQ "RF03 0000" ETX and the two check digits.
std::string ReadRequest() {
  const std::string body = "01\x05RF03 0000\x03";
  return std::string(1, '\x01') + body + vdinv::protocol::CheckDigits(body);
}

RunResult RunIdeal(uint32_t baud) {
  RunResult result;
  SimulatedLine line(baud, kTurnaroundMs);
  if (!line.Start(&result.error)) return result;
  vdinv::platform::PseudoTerminal port;
  if (!port.OpenDevice(line.sim().LinkPath())) {
    result.error = "ideal client: " + port.LastError();
    return result;
  }
  const std::string request = ReadRequest();
  std::string input;
  // One exchange; false when the reply does not come whole within a second.
  auto exchange = [&] {
    input.clear();
    if (!port.Write(request)) return false;
    const SteadyClock::time_point sent = SteadyClock::now();
    while (input.size() < kFrameBytes) {
      if (SecondsSince(sent) > 1.0) return false;
      if (port.Read(input, 100, kFrameBytes - input.size()) == vdinv::platform::LineRead::kClosed) {
        return false;
      }
    }
    return true;
  };
  const SteadyClock::time_point warm = SteadyClock::now();
  while (SecondsSince(warm) < kWarmUpSeconds) {
    if (!exchange()) {
      result.error = "ideal client: no reply";
      return result;
    }
  }
  const uint64_t replies = line.sim().RepliesSent();
  const double cpu = vdinv::platform::ProcessCpuSeconds() - line.sim().CpuSeconds();
  const SteadyClock::time_point start = SteadyClock::now();
  while (SecondsSince(start) < kRunSeconds) {
    if (!exchange()) {
      result.error = "ideal client: no reply";
      return result;
    }
  }
  result.seconds = SecondsSince(start);
  result.cpuSeconds = vdinv::platform::ProcessCpuSeconds() - line.sim().CpuSeconds() - cpu;
  result.exchanges = line.sim().RepliesSent() - replies;
  result.ok = line.sim().FramesRejected() == 0 && result.exchanges > 0;
  if (!result.ok) result.error = "ideal client: request rejected or nothing exchanged";
  return result;
}

void Line(benchmark::State& state) {
  const auto baud = static_cast<uint32_t>(state.range(0));
  const DriverRun run{baud, state.range(1), state.range(2) != 0};
  for (auto _ : state) {
    const RunResult ideal = RunIdeal(baud);
    if (!ideal.ok) {
      state.SkipWithError(ideal.error.c_str());
      return;
    }
    const RunResult driver = RunDriver(run);
    if (!driver.ok) {
      state.SkipWithError(driver.error.c_str());
      return;
    }
    state.SetIterationTime(driver.seconds);

    const double pollMs = driver.pollMs;
    const double driverRate = static_cast<double>(driver.exchanges) / driver.seconds;
    const double idealRate = static_cast<double>(ideal.exchanges) / ideal.seconds;
    const double pollLimit = PollBound(baud, 2 * kFrameBytes, pollMs);
    const double lineLimit = PollBound(baud, kFrameBytes, pollMs);
    state.counters["driver_per_s"] = driverRate;
    state.counters["ideal_per_s"] = idealRate;
    state.counters["poll_limit_per_s"] = pollLimit;
    state.counters["line_limit_per_s"] = lineLimit;
    state.counters["wire_limit_per_s"] = WireBound(baud, kFrameBytes);
    state.counters["driver_vs_poll_limit"] = driverRate / pollLimit;
    state.counters["driver_vs_line_limit"] = driverRate / lineLimit;
    state.counters["driver_vs_wire"] = driverRate / WireBound(baud, kFrameBytes);
    state.counters["driver_vs_ideal"] = driverRate / idealRate;
    state.counters["driver_cpu_ms_per_x"] =
        1000.0 * driver.cpuSeconds / static_cast<double>(driver.exchanges);
    state.counters["ideal_cpu_ms_per_x"] =
        1000.0 * ideal.cpuSeconds / static_cast<double>(ideal.exchanges);
    state.counters["polls"] = static_cast<double>(driver.polls);
  }
}
// The host's poll periods: 10 ms (the driver's DetectScanTime), a 64 Hz timer, 50 and 100 ms.
BENCHMARK(Line)
    ->ArgsProduct({{9600, 19200}, {10000, 15625, 50000, 100000}, {0, 1}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
