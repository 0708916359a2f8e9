// Thirty simulated days of one driver object polling a line of 100 inverters that misbehave at
// random, on the fake clock: the host's poll (the report of changed tags, as OnDataRead makes
// it) every 10 ms while the line is busy, and the clock jumping over the idle time between
// bursts of polling so that the month runs in seconds. It runs in both modes of the line: with
// the line thread, the thread runs one round per poll and the poll collects what it changed, and
// the host's writes go through the thread as OnDataWrite hands them over.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "common/messages.h"
#include "host/runtime_api.h"
#include "platform/datetime.h"
#include "platform/files.h"
#include "protocol/dll_object.h"
#include "soak/inverter_line.h"
#include "support/engine_fixture.h"
#include "support/module_host.h"

namespace vdinv::test {
namespace {

using invsim::FunctionCode;
using platform::LocalDateTime;

constexpr int kStations = 100;
constexpr FunctionCode kFrequency{'F', 3};
constexpr FunctionCode kMonitor{'M', 9};  // read-only, may be negative; every other station
constexpr int kDays = 30;
constexpr uint32_t kPollMs = 10;
constexpr uint32_t kScanMs = 1000;
constexpr uint32_t kOutTimeMs = 100;
// The longest burst of polling; a burst ends earlier once every read command has run in it.
constexpr int kMaxBurstPolls = 400;
const LocalDateTime kStart{2026, 12, 7, 0, 10, 0, 0};

// Lets the line thread run one round at a time, when the test asks for it, so that the test
// moves the clock and reads the driver object only while the thread waits between rounds.
class LockStep : public protocol::LineThread::Pacer {
 public:
  void Pause(uint32_t, bool) override {
    std::unique_lock lock(mutex_);
    ++rounds_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return go_; });
    go_ = false;
  }
  void Wake() override {
    {
      std::lock_guard lock(mutex_);
      go_ = true;
    }
    changed_.notify_all();
  }
  uint64_t Rounds() {
    std::lock_guard lock(mutex_);
    return rounds_;
  }
  // Waits until the thread has ended a round after the first `rounds`; false when it has not
  // within far more than a round takes.
  bool AwaitRound(uint64_t rounds) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return rounds_ > rounds; });
  }
  // One round, ended.
  bool Step() {
    const uint64_t rounds = Rounds();
    Wake();
    return AwaitRound(rounds);
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t rounds_ = 0;
  bool go_ = false;
};

class Soak : public EngineFixture, public ::testing::WithParamInterface<bool> {
 protected:
  Soak() : inverters(clock) {
    // The tick runs twice as fast as the calendar, so that thirty days of calendar take it over
    // its wrap twice (2^32 ms are 49.7 days) in small steps, as on a machine that never sleeps.
    // It starts a second before the wrap: the first wrap falls into the first burst of polls.
    clock.SetNow(kStart);
    clock.SetTick(0u - 1000u);
  }

  // Moves the tick by ms and the calendar by half of it.
  void Advance(uint32_t ms) {
    const uint32_t tick = clock.TickCount();
    clock.Advance(ms / 2);
    clock.SetTick(tick + ms);
    if (tick + ms < tick) ++wraps;
  }

  // One host poll; every value reported with good quality must be what the inverter held
  // when it sent the reply that carried it.
  void Poll(protocol::TDLLObject& driver) {
    int32_t count = 0;
    char* msg = nullptr;
    if (protocol::LineThread* thread = driver.Line()) {
      ASSERT_TRUE(pacer.Step()) << "the line thread's round did not end";
      host::CollectLine(driver, *thread, &count, values.data(), &msg);
    } else {
      host::PollDriver(driver, &count, values.data(), &msg);
    }
    std::free(msg);
    for (int32_t i = 0; i < count; ++i) {
      const TTagValue& record = values[static_cast<size_t>(i)];
      seen[record.TagID] = record;
      if (record.Quality != 0) continue;
      const uint32_t id = record.TagID;
      const double reported = record.Value.analog;
      const auto held = inverters.LastAcknowledged().find(keys.at(id));
      ASSERT_NE(held, inverters.LastAcknowledged().end()) << "tag " << id;
      ASSERT_EQ(reported, held->second) << "tag " << id << " on day " << Day();
      ++goodReports;
    }
  }

  // A write of the host. The line thread runs it ahead of a round that its wake lets go.
  void Write(protocol::TDLLObject& driver, uint32_t tagId, const TagValue& value) {
    if (protocol::LineThread* thread = driver.Line()) {
      const uint64_t rounds = pacer.Rounds();
      thread->RunWrites({{tagId, value}});
      ASSERT_TRUE(pacer.AwaitRound(rounds)) << "the line thread's round did not end";
    } else {
      driver.WriteExecute(tagId, value);
    }
  }

  int Day() const {
    return static_cast<int>(platform::ToOleDate(clock.Now()) - platform::ToOleDate(kStart));
  }

  std::string Archive(int day) const {
    return dir.Path() + "Debug/VD_Inv" + platform::FormatShortDate(platform::AddDays(kStart, day)) +
           ".LOG";
  }

  InverterLine inverters;
  LockStep pacer;
  std::map<uint32_t, InverterLine::Key> keys;
  std::vector<TTagValue> values = std::vector<TTagValue>(2 * kStations);
  int wraps = 0;
  uint64_t goodReports = 0;
  // The latest report of every tag, as the host holds it.
  std::map<uint32_t, TTagValue> seen;
};

// A number from the run report: the text after the label up to the line's end.
double ReportFigure(const std::string& log, Msg label) {
  const size_t at = log.rfind(Text(label));
  if (at == std::string::npos) return -1;
  return std::strtod(log.c_str() + at + Text(label).size(), nullptr);
}

TEST_P(Soak, ThirtyDaysOfAFaultyLine) {
  std::mt19937 rng(20261207);
  auto chance = [&rng](double p) { return std::bernoulli_distribution(p)(rng); };
  auto number = [&rng](int low, int high) { return std::uniform_int_distribution(low, high)(rng); };

  TDevParmBlock block = Block({});
  std::vector<TTagInfo> infos;
  for (int s = 0; s < kStations; ++s) {
    block.Devices[s].Model = kModelG11S;
    block.Devices[s].ModelName.Set(ModelNameOf(kModelG11S));
    const std::string n = std::to_string(s);
    infos.push_back(Tag(2 * s + 1, "f" + n, "F" + n + ":3", kAnalog, kScanMs));
    keys[2 * s + 1] = {s, kFrequency};
    if (s % 2 != 0) continue;
    infos.push_back(Tag(2 * s + 2, "m" + n, "M" + n + ":9", kAnalog, kScanMs));
    keys[2 * s + 2] = {s, kMonitor};
  }
  block.OutTime = kOutTimeMs;
  block.EnErrorLog = 1;
  engine::TagInfoList tags;
  for (const TTagInfo& info : infos) tags.push_back(&info);

  engine::DriverEnvironment env{&hostInfo, &driverInfo, logPath, &clock, inverters.Factory()};
  env.lineThread = GetParam();
  protocol::TDLLObject driver(env, true);
  ASSERT_TRUE(driver.IniDLLObj(&block, tags));
  if (GetParam()) {
    ASSERT_TRUE(driver.StartLineThread(&pacer));
    ASSERT_TRUE(pacer.AwaitRound(0));
  }

  size_t largestQueue = 0;
  size_t largestLine = 0;
  int64_t largestLog = 0;
  int bursts = 0;
  int polls = 0;
  while (Day() < kDays) {
    ++bursts;
    // The inverters' values wander, and each burst has its own misbehaving stations.
    for (const auto& [id, key] : keys) {
      if (!chance(0.2)) continue;
      inverters.SetValue(key.first, key.second,
                         key.second == kMonitor ? number(-30000, 30000) : number(0, 65535));
    }
    for (int s = 0; s < kStations; ++s) {
      StationBehaviour& b = inverters.Station(s);
      b = StationBehaviour{};
      const double r = std::uniform_real_distribution(0.0, 1.0)(rng);
      if (r < 0.02) {
        b.silent = true;
      } else if (r < 0.03) {
        b.nak = true;
      } else if (r < 0.06) {
        for (int i = number(1, 6); i > 0; --i) b.noise += static_cast<char>(number(2, 255));
      } else if (r < 0.12) {
        b.splitParts = number(2, 4);
        b.splitGapMs = static_cast<uint32_t>(number(0, 20));
      }
    }
    if (chance(0.3)) {
      const int s = number(0, kStations - 1);
      ASSERT_NO_FATAL_FAILURE(
          Write(driver, static_cast<uint32_t>(2 * s + 1), TagValue::Double(number(0, 65535))));
    }
    const int unplugAt = chance(0.03) ? number(0, 20) : -1;
    const int plugAt = unplugAt < 0 ? -1 : unplugAt + number(1, 60);

    const uint32_t burstStart = clock.TickCount();
    for (int poll = 0; poll < kMaxBurstPolls; ++poll) {
      if (poll == unplugAt) inverters.Unplug();
      if (poll == plugAt) inverters.Plug();
      ASSERT_NO_FATAL_FAILURE(Poll(driver));
      ++polls;
      Advance(kPollMs);
      if (chance(0.05)) {
        const int s = number(0, kStations - 1);
        inverters.SetValue(s, kFrequency, number(0, 65535));
      }
      bool allRan = inverters.Plugged() && poll > plugAt;
      for (const auto& command : driver.Commands()) {
        allRan = allRan && static_cast<int32_t>(command->LastRunTick - burstStart) >= 0;
      }
      if (allRan) break;
    }
    // No report went missing: what the host holds with good quality is what the line last
    // acknowledged.
    for (const auto& [id, record] : seen) {
      if (record.Quality != 0) continue;
      ASSERT_EQ(record.Value.analog, inverters.LastAcknowledged().at(keys.at(id)))
          << "tag " << id << " on day " << Day();
    }
    largestQueue = std::max(largestQueue, driver.WriteQueue().size());
    largestLine = std::max(largestLine, inverters.BytesHeld());
    largestLog = std::max(largestLog, platform::FileSize(logPath));
    // Idle until the next burst: 30 to 100 minutes of calendar.
    Advance(static_cast<uint32_t>(number(3600, 12000)) * 1000);
  }
  ASSERT_NO_FATAL_FAILURE(Poll(driver));

  EXPECT_EQ(wraps, 2);
  EXPECT_GT(goodReports, 20000u);
  // Memory stays flat: the tables keep their sizes, the queue and the line's buffers stay small
  // and the log never grows far beyond its limit.
  EXPECT_EQ(driver.Tags().size(), infos.size());
  EXPECT_EQ(driver.Commands().size(), infos.size());
  EXPECT_LE(largestQueue, 4u);
  EXPECT_LE(largestLine, 64u);
  EXPECT_LE(largestLog, 510000);

  // Every tag's successful exchanges are the acknowledged replies the line delivered.
  for (const auto& tag : driver.Tags()) {
    const auto [station, code] = keys.at(tag->TagID);
    EXPECT_EQ(tag->ReadCount - tag->ReadFailCount, inverters.ReadAcks(station, code)) << tag->TagID;
    EXPECT_EQ(tag->WriteCount - tag->WriteFailCount, inverters.WriteAcks(station, code))
        << tag->TagID;
  }

  // The run report's counters agree with the line.
  driver.EndLineThread();
  driver.Stop();
  const std::string log = platform::ReadWholeFile(logPath).value_or("");
  const double readComm = ReportFigure(log, Msg::ReportReadCommTotal);
  const double readTimeouts = ReportFigure(log, Msg::ReportReadTimeouts);
  const double writeComm = ReportFigure(log, Msg::ReportWriteCommTotal);
  const double writeTimeouts = ReportFigure(log, Msg::ReportWriteTimeouts);
  const InverterLine::Counters& line = inverters.Count();
  EXPECT_EQ(readComm - readTimeouts, static_cast<double>(line.readAcks));
  EXPECT_EQ(ReportFigure(log, Msg::ReportReadFailTotal), readTimeouts);
  EXPECT_EQ(writeComm - writeTimeouts, static_cast<double>(line.writeAcks));
  // Every frame that reached the line or was lost to the unplugged adapter was an exchange the
  // driver counted (at most one was still under way when it stopped). An exchange that found
  // no port (its send made no open attempt, one having failed less than a time-out before)
  // put nothing on the line and timed out.
  const double frames = static_cast<double>(line.readRequests + line.writeRequests +
                                            line.lostFrames + line.failedOpens);
  EXPECT_GE(readComm + writeComm, frames - 1);
  EXPECT_LE(readComm + writeComm - frames, readTimeouts + writeTimeouts);
  EXPECT_GT(line.failedOpens + line.lostFrames, 0u);

  // A log archive per day of the last 29, every line in it stamped with its day; older ones
  // were deleted.
  for (int day = 1; day < kDays; ++day) {
    const auto archive = platform::ReadWholeFile(Archive(day));
    ASSERT_TRUE(archive) << Archive(day);
    const std::string date = platform::FormatShortDate(platform::AddDays(kStart, day));
    size_t start = 0;
    while (start < archive->size()) {
      const size_t end = std::min(archive->find("\r\n", start), archive->size());
      const std::string line = archive->substr(start, end - start);
      if (!line.empty() && line != std::string(60, '-')) {
        ASSERT_EQ(line.substr(0, date.size()), date) << Archive(day) << ": " << line;
      }
      start = end + 2;
    }
  }
  EXPECT_FALSE(platform::FileExists(Archive(0)));
  EXPECT_FALSE(platform::FileExists(Archive(-1)));
  std::cout << bursts << " bursts, " << polls << " polls, " << goodReports << " values checked, "
            << readComm << " reads, " << writeComm << " writes, "
            << line.lostFrames + line.failedOpens
            << " frames lost to the unplugged line, largest log " << largestLog << " bytes\n";
}

INSTANTIATE_TEST_SUITE_P(BothModes, Soak, ::testing::Bool(),
                         LineModeName<::testing::TestParamInfo<bool>>);

}  // namespace
}  // namespace vdinv::test
