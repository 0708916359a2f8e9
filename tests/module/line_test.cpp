// The built VD_Inv.so on a simulated line of inverters: loaded as a host loads it, talking to
// the simulator through a real pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/records.h"
#include "invsim/simulator.h"
#include "platform/dynamic_library.h"
#include "platform/interrupt.h"
#include "platform/text.h"
#include "support/host_tag.h"
#include "support/module_host.h"
#include "support/temp_dir.h"

namespace vdinv {
namespace {

// Each test runs with the host's polls stepping the line and with the line thread.
class LineTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::WriteHostFiles(dir, GetParam()));
    setenv("VD_INV_REGISTRY", dir.File("registry.ini").c_str(), 1);
    sim.SetStation(1, invsim::Model::kG11S);
    sim.SetStation(2, invsim::Model::kP11S);
    sim.SetValue(1, {'F', 3}, 3000);
    sim.SetValue(1, {'M', 9}, -50);
    sim.SetValue(2, {'F', 3}, 500);
    ASSERT_TRUE(sim.Start()) << sim.Error();
    setenv("VD_INV_COM1", sim.LinkPath().c_str(), 1);
    std::string error;
    ASSERT_TRUE(module.Open(VDINV_MODULE_PATH, &error)) << error;
    ASSERT_TRUE(driver.Find(module));
  }
  void TearDown() override {
    module.Close();
    sim.Stop();
    unsetenv("VD_INV_COM1");
    unsetenv("VD_INV_REGISTRY");
  }
  static TTagInfo Tag(uint32_t id, const char* address, uint8_t type) {
    return test::HostTag(id, address, type, 20);
  }
  bool PollUntil(const std::function<bool()>& done, uint32_t limitMs = 5000) {
    return view.PollUntil(driver, done, limitMs);
  }

  test::TempDir dir;
  invsim::Simulator sim{invsim::SimulatorOptions{dir.Path() + "ttyINV", {}, {}}};
  platform::DynamicLibrary module;
  test::ModuleExports driver;
  test::HostView view;
  std::map<uint32_t, double>& numbers = view.numbers;
  std::map<uint32_t, std::string>& texts = view.texts;
  std::chrono::steady_clock::duration& longestPoll = view.longestPoll;
};

TEST_P(LineTest, ReadsWritesAndSeesAStationFallSilent) {
  std::thread host([&] {
    // A silent station is given up on quickly.
    std::vector<uint8_t> block = test::LineBlock({{1, kModelG11S}, {2, kModelP11S}}, 1, 6, 60);
    TTagInfo tags[] = {Tag(1, "F1:3", kAnalog),        Tag(2, "M1:9", kAnalog),
                       Tag(3, "DEVICELINK1", kString), Tag(4, "F2:3", kAnalog),
                       Tag(5, "COMMLINK", kString),    Tag(6, "E1:2", kSwitch)};
    std::vector<TTagInfo*> list;
    for (TTagInfo& t : tags) list.push_back(&t);
    char* msg = nullptr;
    ASSERT_TRUE(
        driver.iniDriver(static_cast<int32_t>(list.size()), list.data(), block.data(), &msg));
    std::free(msg);

    // Values arrive from both stations; a negative monitor value keeps its sign.
    EXPECT_TRUE(
        PollUntil([&] { return numbers[1] == 3000 && numbers[4] == 500 && numbers[2] == -50; }));
    EXPECT_TRUE(PollUntil([&] { return texts[3] == "1号变频器G11S通讯正常!"; }));

    // A new frequency is written and shows once the inverter confirms it.
    TTagValue write{};
    write.TagID = 1;
    write.DataType = kAnalog;
    write.Value.analog = 1500;
    EXPECT_TRUE(driver.onDataWrite(1, &write, nullptr));
    EXPECT_TRUE(PollUntil([&] { return numbers[1] == 1500; }));
    EXPECT_EQ(sim.Value(1, {'F', 3}), 1500);
    // The driver's own refusal is the answer: a monitor value is not writable.
    write.TagID = 2;
    EXPECT_FALSE(driver.onDataWrite(1, &write, nullptr));

    // Station 1 falls silent: its status walks to a broken line; station 2 goes on.
    invsim::StationFaults silent;
    silent.silent = true;
    sim.SetFaults(1, silent);
    EXPECT_TRUE(PollUntil([&] { return texts[3] == "1号变频器G11S通讯线路断路!"; }, 20000));
    sim.SetValue(2, {'F', 3}, 700);
    EXPECT_TRUE(PollUntil([&] { return numbers[4] == 700; }));
    EXPECT_TRUE(driver.freeDriver());
  });
  host.join();
}

// The adapter is unplugged and plugged in again behind the same link: while it is away every
// poll returns promptly and the exchanges time out until the station shows a broken line; the
// next send after it is back reopens the port without a restart.
TEST_P(LineTest, ALineThatVanishesComesBackWithoutARestart) {
  std::thread host([&] {
    std::vector<uint8_t> block = test::LineBlock({{1, kModelG11S}}, 1, 6, 60);
    TTagInfo tags[] = {Tag(1, "F1:3", kAnalog), Tag(3, "DEVICELINK1", kString)};
    TTagInfo* list[] = {&tags[0], &tags[1]};
    ASSERT_TRUE(driver.iniDriver(2, list, block.data(), nullptr));
    EXPECT_TRUE(PollUntil([&] { return numbers[1] == 3000; }));

    // Nine failed exchanges make a broken line; the adapter stays away long enough for them.
    constexpr uint32_t kAwayMs = 4000;
    std::thread unplug([&] { EXPECT_TRUE(sim.Replug(kAwayMs)); });
    longestPoll = {};
    EXPECT_TRUE(PollUntil([&] { return texts[3] == "1号变频器G11S通讯线路断路!"; }, kAwayMs));
    // Opening the port waits for nothing on the poll thread.
    EXPECT_LT(longestPoll, std::chrono::milliseconds(500));
    unplug.join();
    sim.SetValue(1, {'F', 3}, 4321);
    EXPECT_TRUE(PollUntil([&] { return numbers[1] == 4321; }, 10000));
    EXPECT_TRUE(PollUntil([&] { return texts[3] == "1号变频器G11S通讯正常!"; }));
    EXPECT_TRUE(driver.freeDriver());
  });
  host.join();
}

// The driver object ends while an exchange waits for a station that answers late (after 600 ms,
// within the reply time-out of 10 s): by FreeDriver, by the end of the host thread without it, by
// the unload of the module without it, and by the process's exit. Each ends at once and whole.
TEST_P(LineTest, EndsAtOnceInTheMiddleOfAnExchange) {
  enum class Ending { kFreeDriver, kThreadEnd, kUnload };
  invsim::StationFaults late;
  late.delayMs = 600;
  sim.SetFaults(1, late);
  std::vector<uint8_t> block = test::LineBlock({{1, kModelG11S}}, 1, 6, 10000);
  TTagInfo tags[] = {Tag(1, "F1:3", kAnalog)};
  TTagInfo* list[] = {&tags[0]};
  const auto exchangeUnderWay = [&] {
    ASSERT_TRUE(driver.iniDriver(1, list, block.data(), nullptr));
    PollUntil([] { return false; }, 200);  // the request is out, its reply awaited
  };
  for (const Ending ending : {Ending::kFreeDriver, Ending::kThreadEnd, Ending::kUnload}) {
    SCOPED_TRACE(static_cast<int>(ending));
    if (!module.IsOpen()) {
      std::string error;
      ASSERT_TRUE(module.Open(VDINV_MODULE_PATH, &error)) << error;
      ASSERT_TRUE(driver.Find(module));
    }
    std::chrono::steady_clock::time_point start;
    std::thread host([&] {
      exchangeUnderWay();
      start = std::chrono::steady_clock::now();
      if (ending == Ending::kFreeDriver) {
        EXPECT_TRUE(driver.freeDriver());
      } else if (ending == Ending::kUnload) {
        EXPECT_TRUE(module.Close());
      }
    });
    host.join();  // the thread's end destroys what it left
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  }
  const std::optional<std::string> log = platform::ReadWholeFile(test::HostLogPath(dir));
  ASSERT_TRUE(log);
  EXPECT_EQ(log->find(platform::Utf8ToGbk("：通讯在独立线程中运行  ...")) != std::string::npos,
            GetParam());

  // In a process of its own, since what they leave is the host's: the process's exit while the
  // host thread is in the exchange, and the unload by another thread while the host thread
  // lives on (its object stays unreachable; a line thread left running would take the late
  // reply in the unloaded code).
  ASSERT_TRUE(module.Open(VDINV_MODULE_PATH, nullptr));
  ASSERT_TRUE(driver.Find(module));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::thread host([&] {
          exchangeUnderWay();
          std::exit(3);
        });
        host.join();
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_EXIT(
      {
        std::promise<void> underWay;
        std::thread host([&] {
          exchangeUnderWay();
          underWay.set_value();
          std::this_thread::sleep_for(std::chrono::seconds(10));
        });
        underWay.get_future().wait();
        const auto start = std::chrono::steady_clock::now();
        module.Close();
        const bool atOnce = std::chrono::steady_clock::now() - start < std::chrono::seconds(1);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        _exit(atOnce ? 4 : 5);
      },
      ::testing::ExitedWithCode(4), "");
}

INSTANTIATE_TEST_SUITE_P(BothModes, LineTest, ::testing::Bool(),
                         test::LineModeName<::testing::TestParamInfo<bool>>);

}  // namespace
}  // namespace vdinv
