// Sixteen host threads at once on the built VD_Inv.so, each with a line of its own (port
// Com1..Com16, each a simulator on its own pseudo-terminal): every thread initialises its
// driver, polls until the inverter's value is in, writes a new one, polls until it is
// confirmed and frees the driver, round after round.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "invsim/simulator.h"
#include "platform/interrupt.h"
#include "support/host_tag.h"
#include "support/module_host.h"
#include "support/temp_dir.h"

namespace vdinv {
namespace {

constexpr int kLines = 16;  // one per port the driver knows
constexpr int kRounds = 20;
constexpr uint32_t kPollMs = 2;
constexpr auto kWaitLimit = std::chrono::seconds(20);

using SteadyClock = std::chrono::steady_clock;

// One host thread's work on its line; every fault it meets is noted in `faults`.
class Host {
 public:
  Host(const test::ModuleExports& api, invsim::Simulator& sim, int port)
      : api_(api), sim_(sim), port_(port) {}

  void Run() {
    for (int round = 0; round < kRounds; ++round) Round(round);
  }
  const std::vector<std::string>& Faults() const { return faults_; }

 private:
  void Round(int round) {
    const std::string where = "Com" + std::to_string(port_) + " round " + std::to_string(round);
    std::vector<uint8_t> block = test::LineBlock({{1, kModelG11S}}, port_);
    TTagInfo tags[] = {test::HostTag(1, "F1:3", kAnalog, 0), test::HostTag(2, "M1:9", kAnalog, 0),
                       test::HostTag(3, "DEVICELINK1", kString, 0)};
    TTagInfo* list[] = {&tags[0], &tags[1], &tags[2]};
    char* msg = nullptr;
    const bool initialised = api_.iniDriver(3, list, block.data(), &msg);
    const std::string message = msg ? msg : "";
    std::free(msg);
    if (!initialised) {
      faults_.push_back(where + ": IniDriver failed: " + message);
      return;
    }
    numbers_.clear();
    const double before = sim_.Value(1, {'F', 3});
    if (!PollUntil([&] { return Reported(1, before) && Reported(2, -port_); })) {
      faults_.push_back(where + ": the inverter's values never came");
    }
    const double written = 1000 * port_ + round + 1;
    TTagValue write{};
    write.TagID = 1;
    write.DataType = kAnalog;
    write.Value.analog = written;
    if (!api_.onDataWrite(1, &write, nullptr)) faults_.push_back(where + ": write refused");
    if (!PollUntil([&] { return Reported(1, written); })) {
      faults_.push_back(where + ": the written value never came back");
    }
    if (sim_.Value(1, {'F', 3}) != written) faults_.push_back(where + ": the inverter missed it");
    if (!api_.freeDriver()) faults_.push_back(where + ": FreeDriver failed");
  }

  bool Reported(uint32_t tag, double value) const {
    const auto it = numbers_.find(tag);
    return it != numbers_.end() && it->second.first == value && it->second.second == 0;
  }

  // Polls until done() or the limit, keeping each tag's latest reported value and quality.
  bool PollUntil(const std::function<bool()>& done) {
    TTagValue values[3];
    const SteadyClock::time_point limit = SteadyClock::now() + kWaitLimit;
    while (SteadyClock::now() < limit) {
      int32_t count = 0;
      api_.onDataRead(&count, values, nullptr);
      for (int32_t i = 0; i < count; ++i) {
        if (values[i].DataType == kString) {
          std::free(values[i].Value.text);
        } else {
          const double value = values[i].Value.analog;  // the records are packed
          const uint32_t quality = values[i].Quality;
          numbers_[values[i].TagID] = {value, quality};
        }
      }
      if (done()) return true;
      platform::SleepMilliseconds(kPollMs);
    }
    return false;
  }

  const test::ModuleExports& api_;
  invsim::Simulator& sim_;
  const int port_;
  std::map<uint32_t, std::pair<double, uint32_t>> numbers_;  // value and quality per tag
  std::vector<std::string> faults_;
};

// With the host's polls stepping each line, and with a line thread per line.
class Stress : public ::testing::TestWithParam<bool> {};

TEST_P(Stress, SixteenLinesInitPollWriteAndFreeAtOnce) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteHostFiles(dir, GetParam()));
  setenv("VD_INV_REGISTRY", dir.File("registry.ini").c_str(), 1);
  std::vector<std::unique_ptr<invsim::Simulator>> sims;
  for (int port = 1; port <= kLines; ++port) {
    const std::string link = dir.File("ttyINV" + std::to_string(port));
    sims.push_back(std::make_unique<invsim::Simulator>(invsim::SimulatorOptions{link, {}, {}}));
    invsim::Simulator& sim = *sims.back();
    sim.SetStation(1, invsim::Model::kG11S);
    sim.SetValue(1, {'F', 3}, 100 * port);
    sim.SetValue(1, {'M', 9}, -port);
    ASSERT_TRUE(sim.Start()) << sim.Error();
    // Set before any thread starts: the driver reads the environment while the threads run.
    setenv(("VD_INV_COM" + std::to_string(port)).c_str(), sim.LinkPath().c_str(), 1);
  }
  platform::DynamicLibrary module;
  std::string error;
  ASSERT_TRUE(module.Open(VDINV_MODULE_PATH, &error)) << error;
  test::ModuleExports api;
  ASSERT_TRUE(api.Find(module));

  std::vector<Host> hosts;
  hosts.reserve(kLines);
  for (int port = 1; port <= kLines; ++port) hosts.emplace_back(api, *sims[port - 1], port);
  std::vector<std::thread> threads;
  for (Host& host : hosts) threads.emplace_back([&host] { host.Run(); });
  for (std::thread& t : threads) t.join();

  module.Close();
  for (int port = 1; port <= kLines; ++port) {
    sims[port - 1]->Stop();
    unsetenv(("VD_INV_COM" + std::to_string(port)).c_str());
  }
  unsetenv("VD_INV_REGISTRY");
  for (const Host& host : hosts) EXPECT_THAT(host.Faults(), ::testing::IsEmpty());
  for (int port = 1; port <= kLines; ++port) {
    EXPECT_EQ(sims[port - 1]->Value(1, {'F', 3}), 1000 * port + kRounds) << "Com" << port;
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, Stress, ::testing::Bool(),
                         test::LineModeName<::testing::TestParamInfo<bool>>);

}  // namespace
}  // namespace vdinv
