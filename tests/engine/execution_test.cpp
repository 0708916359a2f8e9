// Read and write execution: write requests and their queue, the bound on one poll's steps, the
// engine parts of sending, and the report of changed tags checked against a walk of the whole
// table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/base_object.h"
#include "host/runtime_api.h"
#include "protocol/dll_object.h"
#include "support/engine_fixture.h"

namespace vdinv::engine {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr uint32_t kExpired = 0x02000000;

// The inverter object with a reply source the test controls: when a reply is due, every tag of
// the command in execution takes the next value the test chose, as the reply analysis does.
class Driver : public protocol::TDLLObject {
 public:
  using TDLLObject::TDLLObject;

  bool GetResult() override {
    if (!replyDue || CurCommand_ == nullptr) return false;
    replyDue = false;
    if (!CurCommand_->IsWrite) {
      for (int32_t index : CurCommand_->TagIndexes) {
        if (TTagItem* tag = TagAt(index)) {
          tag->Value = replyValue;
          TouchTag(*tag);
        }
      }
    }
    return true;
  }
  uint32_t LastCommTick() const { return LastCommTick_; }
  // Records what a walk of the whole table would report once the outermost step of a poll is
  // done, just before the poll's own report.
  bool ReadExecute() override {
    ++depth_;
    const bool result = TDLLObject::ReadExecute();
    if (--depth_ == 0 && recordFullWalk) expected = FullWalk();
    return result;
  }
  std::vector<uint32_t> FullWalk() const {
    std::vector<uint32_t> ids;
    for (size_t i = 0; i < Tags().size() && i < static_cast<size_t>(TagCount_); ++i) {
      const TTagItem& tag = *Tags()[i];
      if (!(tag.Value == tag.ReportedValue) || tag.Quality != tag.ReportedQuality) {
        ids.push_back(tag.TagID);
      }
    }
    return ids;
  }

  // Keeps the first queued write and pads the queue with writes of no tag, queued now, up to
  // this length.
  void FillQueue(size_t length) {
    CommandList& queue = writes_.Commands();
    queue.resize(std::min<size_t>(queue.size(), 1));
    while (queue.size() < length) {
      queue.push_back(std::make_unique<TCommandItem>());
      queue.back()->QueueTick = Tick();
    }
  }

  bool replyDue = false;
  TagValue replyValue = TagValue::Integer(0);
  bool recordFullWalk = false;
  std::vector<uint32_t> expected;

 private:
  int depth_ = 0;
};

class ExecutionTest : public test::EngineFixture {
 protected:
  ExecutionTest() {
    block = Block({{1, kModelG11S}, {2, kModelP11S}});
    block.EnErrorLog = 1;
  }

  std::unique_ptr<Driver> Build(const std::vector<TTagInfo>& infos) {
    auto driver = std::make_unique<Driver>(Environment(), true);
    TagInfoList list;
    for (const TTagInfo& info : infos) list.push_back(&info);
    EXPECT_TRUE(driver->IniDLLObj(&block, list));
    return driver;
  }
  // The default line: an analog, a switch and a string parameter, a monitored value, and the
  // status tags.
  std::unique_ptr<Driver> Line() {
    return Build({Tag(1, "speed", "F1:3", kAnalog), Tag(2, "run", "E1:2", kSwitch),
                  Tag(3, "text", "E1:3", kString), Tag(4, "load", "M1:1", kAnalog),
                  Tag(5, "line", "COMMLINK", kString), Tag(6, "on", "ENCOMMLINK", kSwitch),
                  Tag(7, "dev", "ENDEVICELINK1", kSwitch), Tag(8, "dev1", "DEVICELINK1", kString),
                  Tag(9, "err", "CommErr1:", kSwitch)});
  }
  // The tags a poll reports, by identifier.
  static std::vector<uint32_t> Reported(TBaseDLLObject& driver) {
    std::vector<uint32_t> ids;
    driver.ReportChangedTags(static_cast<size_t>(driver.TagCount()), driver.Tick(),
                             [&](const TTagItem& tag) { ids.push_back(tag.TagID); });
    return ids;
  }

  TDevParmBlock block;
};

TEST_F(ExecutionTest, AWriteIsQueuedWhileTheTagKeepsTheDevicesValue) {
  auto driver = Line();
  Reported(*driver);  // the status tags of the build
  clock.SetTick(5000);
  EXPECT_TRUE(driver->WriteExecute(1, TagValue::Double(25.4)));
  ASSERT_EQ(driver->WriteQueue().size(), 1u);
  const TCommandItem& command = *driver->WriteQueue().front();
  EXPECT_TRUE(command.IsWrite);
  EXPECT_EQ(command.Interval, -10000);
  EXPECT_EQ(command.QueueTick, 5000u);
  // The frame carries the rounded number; the tag still shows the device's value.
  ASSERT_EQ(command.WriteValues.size(), 1u);
  EXPECT_EQ(command.WriteValues[0], TagValue::Integer(25));
  EXPECT_THAT(command.AskFrame, HasSubstr("WF03 0019"));
  const TTagItem& tag = *driver->TagById(1);
  EXPECT_EQ(tag.Value, TagValue::Integer(0));
  EXPECT_EQ(tag.SavedValue, TagValue::Integer(0));
  EXPECT_THAT(Reported(*driver), IsEmpty());

  // Switch and string tags take values of their own kind.
  EXPECT_TRUE(driver->WriteExecute(2, TagValue::Boolean(true)));
  EXPECT_TRUE(driver->WriteExecute(3, TagValue::String("1")));
  EXPECT_EQ(driver->WriteQueue().size(), 3u);
}

TEST_F(ExecutionTest, RefusedWritesSayWhyInTheErrorLog) {
  auto driver = Line();
  EXPECT_FALSE(driver->WriteExecute(77, TagValue::Double(1)));      // never handed over
  EXPECT_FALSE(driver->WriteExecute(5, TagValue::String("x")));     // COMMLINK
  EXPECT_FALSE(driver->WriteExecute(4, TagValue::Double(3)));       // monitored value
  EXPECT_FALSE(driver->WriteExecute(9, TagValue::Boolean(true)));   // CommErr
  EXPECT_FALSE(driver->WriteExecute(7, TagValue::Boolean(false)));  // ENDEVICELINK
  EXPECT_FALSE(driver->WriteExecute(2, TagValue::Double(1)));
  EXPECT_FALSE(driver->WriteExecute(1, TagValue::Boolean(true)));
  EXPECT_FALSE(driver->WriteExecute(1, TagValue::String("5")));
  EXPECT_FALSE(driver->WriteExecute(1, TagValue::Double(0)));  // the current value
  // None of them reached the line.
  EXPECT_THAT(driver->WriteQueue(), IsEmpty());
  const std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("07:26:50：写标签错误,标签不存在!\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签line不可写!\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签load不可写!\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签err不可写!\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签dev不可写!\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签run写错误,标签不是模拟量类型!\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签speed写错误,标签不是开关量类型!\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签speed写错误,标签不是字符串类型!\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签写入请求未执行：speed写入值与当前值相同, 地址=F1:3, "
                             "标签值=0\r\n"));

  // While the tag's write is on the line, another write of it waits for the outcome.
  ASSERT_TRUE(driver->WriteExecute(1, TagValue::Double(7)));
  driver->ReadExecute();
  ASSERT_NE(driver->CurCommand(), nullptr);
  ASSERT_TRUE(driver->CurCommand()->IsWrite);
  EXPECT_FALSE(driver->WriteExecute(1, TagValue::Double(8)));
  EXPECT_THAT(LogText(), HasSubstr("：标签写入请求未执行：speed正在执行写入操作, 地址=F1:3, "
                                   "标签值=0\r\n"));
  EXPECT_TRUE(driver->WriteExecute(2, TagValue::Boolean(true)));
}

TEST_F(ExecutionTest, AnalogWritesTheDataWordCannotHoldAreRefusedWithTheirReason) {
  // The data word is four hexadecimal digits; values are rounded to nearest, ties to even.
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double value;
    const char* data;  // the data word sent; null: refused
  };
  const Case cases[] = {
      {70000, nullptr},        {65535.6, nullptr}, {-100, nullptr}, {-0.6, nullptr},
      {std::nan(""), nullptr}, {inf, nullptr},     {-inf, nullptr}, {0, "0000"},
      {65535, "FFFF"},         {65535.4, "FFFF"},  {-0.4, "0000"},  {-0.5, "0000"},
  };
  TTagInfo info = Tag(1, "speed", "F1:3", kAnalog);
  info.InitValue.vt = 3;  // the device's value before the write: 5
  info.InitValue.value[0] = 5;
  for (const Case& c : cases) {
    auto driver = Build({info});
    const size_t before = LogText().size();
    EXPECT_EQ(driver->WriteExecute(1, TagValue::Double(c.value)), c.data != nullptr) << c.value;
    EXPECT_EQ(driver->TagById(1)->Value, TagValue::Integer(5)) << c.value;
    const std::string log = LogText().substr(before);
    if (c.data == nullptr) {
      EXPECT_THAT(driver->WriteQueue(), IsEmpty()) << c.value;
      EXPECT_THAT(log, HasSubstr("：标签speed写错误,写入值不是0到65535之间的数!\r\n")) << c.value;
    } else {
      ASSERT_EQ(driver->WriteQueue().size(), 1u) << c.value;
      EXPECT_THAT(driver->WriteQueue().front()->AskFrame,
                  HasSubstr(std::string("WF03 ") + c.data + "\x03"))
          << c.value;
    }
    // An input check is no fault of the driver.
    EXPECT_THAT(log, Not(HasSubstr("异常"))) << c.value;
  }
}

TEST_F(ExecutionTest, WithoutTheErrorLogRefusalsAreSilent) {
  block.EnErrorLog = 0;
  auto driver = Line();
  const size_t before = LogText().size();
  EXPECT_FALSE(driver->WriteExecute(77, TagValue::Double(1)));
  EXPECT_FALSE(driver->WriteExecute(5, TagValue::String("x")));
  EXPECT_FALSE(driver->WriteExecute(2, TagValue::Double(1)));
  EXPECT_FALSE(driver->WriteExecute(1, TagValue::Double(0)));
  EXPECT_TRUE(driver->WriteExecute(1, TagValue::Double(1)));
  EXPECT_TRUE(driver->WriteExecute(1, TagValue::Double(2)));  // overrides silently
  EXPECT_EQ(LogText().size(), before);
}

TEST_F(ExecutionTest, TheLineSwitchStopsWritesAndSteps) {
  auto driver = Line();
  driver->ReadExecute();  // init, and the first read goes out
  const uint8_t state = driver->RunStatus();
  Reported(*driver);

  EXPECT_TRUE(driver->WriteExecute(6, TagValue::Boolean(false)));
  EXPECT_FALSE(driver->CommEnabled());
  EXPECT_EQ(driver->TagById(6)->Value, TagValue::Boolean(false));
  EXPECT_THAT(Reported(*driver), testing::ElementsAre(6u));
  // An ordinary write is refused without a word, and the machine stands still.
  const size_t before = LogText().size();
  EXPECT_FALSE(driver->WriteExecute(1, TagValue::Double(9)));
  EXPECT_EQ(LogText().size(), before);
  clock.Advance(60000);
  EXPECT_TRUE(driver->ReadExecute());
  EXPECT_EQ(driver->RunStatus(), state);

  // A number switches it too; an analog switch shows 1 or 0.
  EXPECT_TRUE(driver->WriteExecute(6, TagValue::Double(2)));
  EXPECT_TRUE(driver->CommEnabled());
  EXPECT_TRUE(driver->WriteExecute(1, TagValue::Double(9)));
}

TEST_F(ExecutionTest, TheLogSwitchFollowsWrites) {
  auto driver = std::make_unique<Driver>(Environment(), true);
  ASSERT_TRUE(driver->IniParm(&block));
  std::vector<TTagInfo> infos = {Tag(1, "log", "ENLOG", kAnalog), Tag(2, "sw", "ENLOG", kSwitch)};
  TagInfoList list = {&infos[0], &infos[1]};
  std::vector<int32_t> results;
  ASSERT_EQ(driver->AddTagLists(list, results), 0);
  EXPECT_TRUE(driver->WriteExecute(1, TagValue::Double(0)));
  EXPECT_FALSE(driver->EnLog());
  EXPECT_EQ(driver->TagById(1)->Value, TagValue::Integer(0));
  EXPECT_TRUE(driver->WriteExecute(2, TagValue::Boolean(true)));
  EXPECT_TRUE(driver->EnLog());
  EXPECT_EQ(driver->TagById(2)->Value, TagValue::Boolean(true));
  EXPECT_TRUE(driver->WriteExecute(1, TagValue::String("x")));  // leaves it
  EXPECT_TRUE(driver->EnLog());
}

TEST_F(ExecutionTest, ANewerWriteOverridesTheQueuedOne) {
  auto driver = Line();
  ASSERT_TRUE(driver->WriteExecute(1, TagValue::Double(5)));
  ASSERT_TRUE(driver->WriteExecute(2, TagValue::Boolean(true)));
  ASSERT_TRUE(driver->WriteExecute(1, TagValue::Double(6)));
  ASSERT_EQ(driver->WriteQueue().size(), 2u);
  EXPECT_THAT(LogText(), HasSubstr("：标签执行覆盖写入操作：speed, 地址=F1:3, 标签值=0\r\n"));
}

TEST_F(ExecutionTest, AFullQueueRefusesTheWriteAndExpiredWritesMarkTheirTags) {
  auto driver = Line();
  Reported(*driver);
  ASSERT_TRUE(driver->WriteExecute(1, TagValue::Double(5)));
  driver->FillQueue(QueuedWrites::kCapacity);
  EXPECT_FALSE(driver->WriteExecute(2, TagValue::Boolean(true)));
  EXPECT_THAT(LogText(), HasSubstr("：标签run写错误,写队列已满,写命令被丢弃!\r\n"));
  EXPECT_EQ(driver->TagById(2)->Value, TagValue::Boolean(false));

  // Too old now: the queue drops the first write and marks its tag, a change the report
  // carries though the value stayed.
  driver->FillQueue(0);
  clock.Advance(QueuedWrites::kExpiryMs + 1);
  ASSERT_TRUE(driver->WriteExecute(3, TagValue::String("1")));
  ASSERT_EQ(driver->WriteQueue().size(), 1u);
  EXPECT_EQ(driver->TagById(1)->Quality, kExpired);
  EXPECT_THAT(Reported(*driver), testing::ElementsAre(1u));
  EXPECT_EQ(driver->TagById(1)->ReportedQuality, kExpired);

  // A poll finds an expired write as well, without waiting for the host's next write.
  clock.Advance(QueuedWrites::kExpiryMs + 1);
  driver->ReadExecute();
  EXPECT_TRUE(driver->WriteQueue().empty());
  EXPECT_EQ(driver->TagById(3)->Quality, kExpired);
  EXPECT_THAT(Reported(*driver), testing::ElementsAre(3u));
}

// Every step calls the next at once, as a chain of states that never waits would.
class Endless : public Driver {
 public:
  using Driver::Driver;
  void GetRunEvent() override { ++steps; }
  void SwitchRunStatus() override { ReadExecute(); }
  int steps = 0;
};

TEST_F(ExecutionTest, OnePollRunsABoundedNumberOfSteps) {
  Endless driver(Environment(), true);
  TTagInfo info = Tag(1, "line", "COMMLINK", kAnalog);
  ASSERT_TRUE(driver.IniDLLObj(&block, {&info}));
  EXPECT_TRUE(driver.ReadExecute());
  EXPECT_EQ(driver.steps, 16);
  // The next poll goes on.
  EXPECT_TRUE(driver.ReadExecute());
  EXPECT_EQ(driver.steps, 32);
  EXPECT_FALSE(driver.ReadExecuteEx());
  EXPECT_EQ(driver.steps, 48);
  driver.Stop();
  EXPECT_TRUE(driver.ReadExecute());
  EXPECT_EQ(driver.steps, 48);
}

TEST_F(ExecutionTest, SendingEmptiesTheReplyAndStampsTheTime) {
  auto driver = Line();
  TCommandItem command;
  command.Reply = "old";
  clock.SetTick(4242);
  driver->RealComm(&command);
  EXPECT_THAT(command.Reply, IsEmpty());
  EXPECT_EQ(driver->LastCommTick(), 4242u);
  driver->RealComm(nullptr);
  ASSERT_TRUE(driver->WriteExecute(6, TagValue::Boolean(false)));
  command.Reply = "kept";
  clock.SetTick(5000);
  driver->RealComm(&command);
  EXPECT_EQ(command.Reply, "kept");
  EXPECT_EQ(driver->LastCommTick(), 4242u);
  EXPECT_FALSE(driver->TBaseDLLObject::GetResult());
}

TEST_F(ExecutionTest, TheReportOfTouchedTagsMatchesAFullWalk) {
  block.EnErrorLog = 0;
  std::vector<TTagInfo> infos = {
      Tag(100, "line", "COMMLINK", kString),  Tag(101, "state", "COMMLINK", kAnalog),
      Tag(102, "up", "COMMLINK", kSwitch),    Tag(103, "on", "ENCOMMLINK", kSwitch),
      Tag(104, "d1", "DEVICELINK1", kString), Tag(105, "d2", "DEVICELINK2", kAnalog),
      Tag(106, "e1", "CommErr1:", kSwitch)};
  const char* codes[] = {"F%d:3", "F%d:4", "E%d:2", "C%d:5", "H%d:7", "S%d:1", "M%d:1"};
  uint32_t id = 1;
  for (int device = 1; device <= 2; ++device) {
    for (const char* code : codes) {
      char address[32];
      std::snprintf(address, sizeof address, code, device);
      const auto type = static_cast<uint8_t>(address[0] == 'E' ? kSwitch : kAnalog);
      const uint32_t period = 300 + 200 * (id % 3);
      infos.push_back(Tag(id, "t", address, type, period));
      infos.push_back(Tag(id + 1, "u", address, type, 500));
      id += 2;
    }
  }
  const uint32_t ordinary = id - 1;

  std::mt19937 random(20261207);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
  auto driver = Build(infos);
  driver->recordFullWalk = true;
  std::vector<TTagValue> records(infos.size());
  int reports = 0;
  int qualityReports = 0;
  int linkSeen = 0;
  for (int round = 0; round < 4000; ++round) {
    switch (pick(10)) {
      case 0:
      case 1: {
        const auto target = static_cast<uint32_t>(1 + pick(static_cast<int>(ordinary)));
        const TTagItem* tag = driver->TagById(target);
        ASSERT_NE(tag, nullptr) << target;
        TagValue value = tag->DataType == kSwitch ? TagValue::Boolean(pick(2) == 1)
                                                  : TagValue::Double(pick(4) + 0.25 * pick(3));
        driver->WriteExecute(target, value);
        break;
      }
      case 2:
        if (pick(20) == 0) driver->WriteExecute(103, TagValue::Boolean(pick(3) != 0));
        break;
      case 3:
        driver->replyDue = true;
        driver->replyValue = TagValue::Integer(pick(3));
        break;
      case 4:
        clock.Advance(static_cast<uint32_t>(pick(3) == 0 ? 10000 + pick(2000) : pick(1200)));
        break;
      case 5:
        if (pick(400) == 0) {
          // A new table: every tag starts afresh and the status tags are reported again.
          TagInfoList list;
          for (const TTagInfo& info : infos) list.push_back(&info);
          ASSERT_TRUE(driver->IniDLLObj(&block, list));
        }
        break;
      default: {
        int32_t count = -1;
        ASSERT_TRUE(host::PollDriver(*driver, &count, records.data(), nullptr));
        std::vector<uint32_t> got;
        for (int32_t i = 0; i < count; ++i) {
          const TTagValue& record = records[static_cast<size_t>(i)];
          got.push_back(record.TagID);
          const TTagItem& tag = *driver->TagById(record.TagID);
          EXPECT_EQ(record.Quality, tag.Quality);
          EXPECT_EQ(tag.ReportedQuality, tag.Quality);
          EXPECT_EQ(tag.ReportedValue, tag.Value);
          if (record.Quality != 0) ++qualityReports;
          if (record.DataType == kString) std::free(record.Value.text);
        }
        ASSERT_EQ(got, driver->expected) << "round " << round;
        ASSERT_THAT(driver->FullWalk(), IsEmpty()) << "round " << round;
        reports += count;
        linkSeen = std::max<int>(linkSeen, driver->CommStatus());
        break;
      }
    }
  }
  // The workload really changed values, qualities and status tags.
  EXPECT_GT(reports, 300);
  EXPECT_GT(qualityReports, 10);
  EXPECT_GT(linkSeen, 0);
}

}  // namespace
}  // namespace vdinv::engine
