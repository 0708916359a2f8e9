// Read exchanges per second of VD_Inv.dll under Wine, the line benchmark's driver run on
// Windows: a host thread loads the module by full path, initialises it with read tags of
// stations 1 and 2 (scan period 0, so a command is always due) on COM1 at the given rate and
// calls OnDataRead on a fixed schedule, every DetectScanTime() ms or every POLL_US µs. COM1 is the
// pseudo-terminal of the Linux simulator, which paces each reply at the rate after a turnaround of
// 5 ms; exchanges are the replies it counts during the run (asked through its control directory,
// VDINV_SIM_CONTROL). The host's installation (HKLM\Software\KORVI PATH) and the line thread
// switch (HKLM\Software\KORVI\VD_Inv LineThread) are the caller's.
//
//   vdinv_wine_line_rate BAUD [SECONDS [POLL_US]]   BAUD 9600 or 19200, SECONDS of the run
//                                                   (default 4), POLL_US the host's poll period
//
// One line of figures, named as the Linux benchmark's counters:
//   driver_per_s        exchanges per second
//   poll_limit_per_s    one exchange per whole number of poll periods, an exchange taking
//                       (16 request + 16 reply bytes) x 10 bits / baud + turnaround
//   line_limit_per_s    the same with only the reply's 16 bytes (the simulator paces only them)
//   wire_limit_per_s    the reply's 16 bytes and the turnaround back to back, without polls
//   driver_vs_poll_limit, driver_vs_line_limit, driver_vs_wire
//   driver_cpu_ms_per_x the Wine process's CPU time (GetProcessTimes) per exchange in the run
//   polls, poll_ms, longest_poll_ms   OnDataRead calls, the poll period, the longest call
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/records.h"
#include "invsim/control_client.h"
#include "line_limits.h"
#include "platform/dynamic_library.h"
#include "platform/text.h"
#include "platform/threading.h"
#include "support/host_tag.h"
#include "support/module_host.h"
#include "support/wine_path.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using vdinv::TTagInfo;
using vdinv::TTagValue;
using vdinv::bench::kFrameBytes;
using vdinv::bench::PollBound;
using vdinv::bench::WireBound;
using vdinv::test::WindowsPath;

constexpr double kWarmUpSeconds = 0.5;

double SecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

struct Run {
  std::string error;
  uint64_t exchanges = 0;
  double seconds = 0;
  uint64_t polls = 0;
  double pollMs = 0;
  double longestPollMs = 0;
  double cpuSeconds = 0;
};

std::optional<uint64_t> Replies(vdinv::invsim::ControlClient& sim, uint64_t number) {
  const std::optional<std::string> answer = sim.Answer(number, 5000);
  if (!answer || answer->rfind("ok ", 0) != 0) return std::nullopt;
  return std::strtoull(answer->c_str() + 3, nullptr, 10);
}

void Drive(uint32_t baud, double runSeconds, uint32_t pollUs, vdinv::invsim::ControlClient& sim,
           Run& run) {
  vdinv::platform::DynamicLibrary module;
  if (!module.Open(WindowsPath(VDINV_MODULE_PATH), &run.error)) return;
  vdinv::test::ModuleExports api;
  if (!api.Find(module)) {
    run.error = "an export is missing";
    return;
  }
  std::vector<uint8_t> block = vdinv::test::LineBlock(
      {{1, vdinv::kModelG11S}, {2, vdinv::kModelP11S}}, 1, baud == 19200 ? 8 : 6);
  TTagInfo tags[] = {vdinv::test::HostTag(1, "F1:3", vdinv::kAnalog, 0),
                     vdinv::test::HostTag(2, "F2:3", vdinv::kAnalog, 0),
                     vdinv::test::HostTag(3, "M1:9", vdinv::kAnalog, 0),
                     vdinv::test::HostTag(4, "M2:9", vdinv::kAnalog, 0)};
  std::vector<TTagInfo*> list;
  for (TTagInfo& t : tags) list.push_back(&t);
  if (!api.iniDriver(static_cast<int32_t>(list.size()), list.data(), block.data(), nullptr)) {
    run.error = "IniDriver failed";
    return;
  }

  const auto period = pollUs > 0 ? std::chrono::microseconds(pollUs)
                                 : std::chrono::microseconds(api.detectScanTime() * 1000);
  run.pollMs = static_cast<double>(period.count()) / 1000.0;
  std::vector<TTagValue> values(64);
  SteadyClock::duration longest{};
  SteadyClock::time_point next = SteadyClock::now();
  auto poll = [&] {
    int32_t count = 0;
    const SteadyClock::time_point start = SteadyClock::now();
    api.onDataRead(&count, values.data(), nullptr);
    longest = std::max(longest, SteadyClock::now() - start);
    next += period;
    std::this_thread::sleep_until(next);
  };
  // Warm up: until the first value is in (the port is open), then a little longer.
  const SteadyClock::time_point begin = SteadyClock::now();
  bool answered = false;
  while (!answered && SecondsSince(begin) < 10) {
    int32_t count = 0;
    api.onDataRead(&count, values.data(), nullptr);
    answered = count > 0;
    next += period;
    std::this_thread::sleep_until(next);
  }
  const SteadyClock::time_point warm = SteadyClock::now();
  while (SecondsSince(warm) < kWarmUpSeconds) poll();

  // The counts are asked for without waiting, so the schedule stays as a host keeps it.
  longest = {};
  const std::optional<uint64_t> first = sim.Post("replies");
  const SteadyClock::time_point start = SteadyClock::now();
  const double cpuStart = vdinv::platform::ProcessCpuSeconds();
  while (SecondsSince(start) < runSeconds) {
    poll();
    ++run.polls;
  }
  const std::optional<uint64_t> last = sim.Post("replies");
  run.seconds = SecondsSince(start);
  run.cpuSeconds = vdinv::platform::ProcessCpuSeconds() - cpuStart;
  run.longestPollMs = std::chrono::duration<double, std::milli>(longest).count();
  api.freeDriver();
  module.Close();
  const std::optional<uint64_t> before = first ? Replies(sim, *first) : std::nullopt;
  const std::optional<uint64_t> after = last ? Replies(sim, *last) : std::nullopt;
  if (!before || !after) {
    run.error = "the simulator did not give its reply count";
    return;
  }
  run.exchanges = *after - *before;
  if (run.exchanges == 0) run.error = "the driver exchanged nothing";
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t baud = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 0;
  const double seconds = argc > 2 ? std::strtod(argv[2], nullptr) : 4.0;
  const auto pollUs = argc > 3 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 0u;
  const std::string control = vdinv::platform::GetEnvironment("VDINV_SIM_CONTROL");
  if ((baud != 9600 && baud != 19200) || seconds <= 0 || control.empty()) {
    std::fprintf(
        stderr,
        "usage: vdinv_wine_line_rate 9600|19200 [SECONDS [POLL_US]], with VDINV_SIM_CONTROL "
        "naming the simulator's control directory\n");
    return 2;
  }
  vdinv::invsim::ControlClient sim{WindowsPath(control)};
  Run run;
  // A host thread of its own, as a host calls the driver; its object ends with the thread.
  std::thread host([&] { Drive(baud, seconds, pollUs, sim, run); });
  host.join();
  if (!run.error.empty()) {
    std::fprintf(stderr, "Line/%u: %s\n", baud, run.error.c_str());
    return 1;
  }
  const double rate = static_cast<double>(run.exchanges) / run.seconds;
  const double pollLimit = PollBound(baud, 2 * kFrameBytes, run.pollMs);
  const double lineLimit = PollBound(baud, kFrameBytes, run.pollMs);
  const double wireLimit = WireBound(baud, kFrameBytes);
  std::printf(
      "Line/%u/%.0f driver_per_s=%.1f poll_limit_per_s=%.1f line_limit_per_s=%.1f "
      "wire_limit_per_s=%.1f driver_vs_poll_limit=%.3f driver_vs_line_limit=%.3f "
      "driver_vs_wire=%.3f driver_cpu_ms_per_x=%.3f polls=%llu poll_ms=%.3f "
      "longest_poll_ms=%.2f\n",
      baud, run.pollMs * 1000.0, rate, pollLimit, lineLimit, wireLimit, rate / pollLimit,
      rate / lineLimit, rate / wireLimit,
      1000.0 * run.cpuSeconds / static_cast<double>(run.exchanges),
      static_cast<unsigned long long>(run.polls), run.pollMs, run.longestPollMs);
  return 0;
}
