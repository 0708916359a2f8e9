// Choosing the next command, what follows a finished one, and the link status of the line and
// its devices with the status tags that show it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/process_values.h"
#include "platform/text.h"
#include "support/engine_fixture.h"
#include "support/scripted_object.h"

namespace vdinv::engine {
namespace {

using test::ScriptedObject;
using ::testing::ElementsAre;

constexpr uint8_t kReadSent = 10;

class SchedulerTest : public test::EngineFixture {
 protected:
  SchedulerTest() { block = Block({{1, kModelG11S}, {2, kModelP11S}}); }

  void Build(ScriptedObject& object) {
    TagInfoList list;
    for (const TTagInfo& info : infos) list.push_back(&info);
    ASSERT_TRUE(object.IniDLLObj(&block, list));
    object.WriteCommEvent({});  // the host takes the port's status text
  }
  // Polls every 100 ms until a frame is out, then answers it or lets it time out.
  void Exchange(ScriptedObject& object, bool answered) {
    for (int i = 0; i < 10000 && object.RunStatus() != kReadSent; ++i) {
      clock.Advance(100);
      object.ReadExecute();
    }
    ASSERT_EQ(object.RunStatus(), kReadSent);
    if (answered) {
      object.replies = {true};
    } else {
      clock.Advance(ProcessOutTime() + 1);
    }
    object.ReadExecute();
  }
  static std::string Utf8(const TagValue& value) { return platform::GbkToUtf8(value.ToText()); }

  TDevParmBlock block;
  std::vector<TTagInfo> infos;
};

TEST_F(SchedulerTest, TheMostOverdueCommandGoesFirstAndTiesGoInListOrder) {
  infos = {Tag(0, "a", "F1:3", kAnalog), Tag(1, "b", "F2:3", kAnalog)};
  ScriptedObject object(Environment(), true);
  Build(object);
  ASSERT_EQ(object.List().size(), 2u);
  object.GetNextCommand();
  EXPECT_EQ(object.Current(), object.List()[0].get());
  EXPECT_EQ(object.Chain(), object.Current());
  EXPECT_EQ(object.Current()->LastRunTick, clock.TickCount());
  object.List()[0]->LastRunTick = clock.TickCount() - 1000;
  object.List()[1]->LastRunTick = clock.TickCount() - 1001;
  object.GetNextCommand();
  EXPECT_EQ(object.Current(), object.List()[1].get());
  // Nothing due: nothing chosen.
  object.List()[0]->LastRunTick = clock.TickCount() - 999;
  object.GetNextCommand();
  EXPECT_EQ(object.Current(), nullptr);
  EXPECT_EQ(object.List()[0]->DelayTick, 1);
}

TEST_F(SchedulerTest, QueuedWritesGoFirstInQueueOrderHoweverLateTheReads) {
  infos = {Tag(0, "a", "F1:3", kAnalog), Tag(1, "b", "F1:4", kAnalog)};
  ScriptedObject object(Environment(), true);
  Build(object);
  // Reads far more overdue than the write's interval, as on a line of a long read cycle.
  for (const auto& read : object.List()) read->LastRunTick = clock.TickCount() - 600000;
  TCommandItem* first = object.QueueWrite(object.TagAt(0), TagValue::Integer(1));
  TCommandItem* second = object.QueueWrite(object.TagAt(1), TagValue::Integer(2));
  ASSERT_TRUE(first && second);
  object.GetNextCommand();
  EXPECT_EQ(object.Current(), first);
  EXPECT_EQ(object.ExecutingWrite().get(), first);
  EXPECT_EQ(object.Queue().size(), 1u);
  object.GetNextCommand();
  EXPECT_EQ(object.Current(), second);
  EXPECT_TRUE(object.Queue().empty());
  object.GetNextCommand();
  EXPECT_EQ(object.Current(), object.List()[0].get());
}

TEST_F(SchedulerTest, FailuresDelayACommandByItsCountAndAMinuteStartsItAgain) {
  infos = {Tag(0, "a", "F1:3", kAnalog, 1000)};
  for (uint32_t start : {1000u, 0xFFFFF000u}) {
    clock.SetTick(start);
    ScriptedObject object(Environment(), true);
    Build(object);
    TCommandItem& command = *object.List()[0];
    struct Case {
      int32_t failures;
      uint32_t dueAfter;
    };
    for (Case c : {Case{2, 1000}, Case{4, 5000}, Case{6, 7000}, Case{8, 9000}, Case{10, 1000},
                   Case{11, 11000}, Case{12, 11000}, Case{40, 11000}}) {
      command.FailCount = c.failures;
      command.LastRunTick = clock.TickCount() - (c.dueAfter - 1);
      object.Rekey();
      object.GetNextCommand();
      EXPECT_EQ(object.Current(), nullptr) << c.failures;
      EXPECT_EQ(command.DelayTick, 1) << c.failures;
      command.LastRunTick = clock.TickCount() - c.dueAfter;
      object.Rekey();
      object.GetNextCommand();
      EXPECT_EQ(object.Current(), &command) << c.failures;
      EXPECT_EQ(command.FailCount, c.failures);
    }
    // After a minute without a try, the count starts again.
    command.FailCount = 12;
    command.LastRunTick = clock.TickCount() - 60000;
    object.Rekey();
    object.GetNextCommand();
    EXPECT_EQ(command.FailCount, 12);
    command.LastRunTick = clock.TickCount() - 60001;
    object.Rekey();
    object.GetNextCommand();
    EXPECT_EQ(command.FailCount, 0);
    EXPECT_EQ(object.Current(), &command);
  }
}

TEST_F(SchedulerTest, TimeOutsSpaceOutTheTriesOfACommand) {
  infos = {Tag(0, "a", "F1:3", kAnalog, 1000)};
  clock.SetTick(0xFFFF8000u);  // the run crosses the wrap of the tick
  ScriptedObject object(Environment(), true);
  Build(object);
  std::vector<uint32_t> sentAt;
  object.ReadExecute();
  sentAt.push_back(clock.TickCount());
  while (sentAt.size() < 9) {
    clock.Advance(100);
    const size_t before = object.sent.size();
    object.ReadExecute();
    if (object.sent.size() > before) sentAt.push_back(clock.TickCount());
  }
  std::vector<uint32_t> gaps;
  for (size_t i = 1; i < sentAt.size(); ++i) gaps.push_back(sentAt[i] - sentAt[i - 1]);
  // The time-out is noticed 1100 ms after the send; a count of 2 or 10 is due by then.
  EXPECT_THAT(gaps, ElementsAre(1100, 5000, 7000, 9000, 1100, 11000, 11000, 11000));
  // One answer and the command is polled at its plain period again.
  Exchange(object, true);
  EXPECT_EQ(object.List()[0]->FailCount, 0);
}

TEST_F(SchedulerTest, ScanPeriodsCountAcrossTheTickWrap) {
  infos = {Tag(0, "a", "F1:3", kAnalog, 1000)};
  clock.SetTick(0xFFFFFE00u);
  ScriptedObject object(Environment(), true);
  Build(object);
  object.ReadExecute();
  object.replies = {true};
  object.ReadExecute();
  ASSERT_EQ(object.sent.size(), 1u);
  clock.Advance(999);
  object.ReadExecute();
  EXPECT_EQ(object.sent.size(), 1u);
  clock.Advance(1);
  object.ReadExecute();
  EXPECT_EQ(object.sent.size(), 2u);
}

TEST_F(SchedulerTest, LinkStatusWalksThroughItsCodesWithTheStatusTexts) {
  TTagInfo fault = Tag(5, "故障1", "CommErr1:", kSwitch);
  fault.InitValue.vt = 11;  // starts true in the host: the table build sets it false
  fault.InitValue.value[0] = 0xFF;
  fault.InitValue.value[1] = 0xFF;
  infos = {Tag(0, "a", "F1:3", kAnalog),
           Tag(1, "线路", "COMMLINK", kString),
           Tag(2, "设备1", "DEVICELINK1", kString),
           Tag(3, "设备2", "DEVICELINK2", kString),
           Tag(4, "状态1", "DEVICELINK1", kAnalog),
           fault,
           Tag(6, "故障2", "CommErr2:", kAnalog),
           Tag(7, "开关", "DEVICELINK1", kSwitch)};
  ScriptedObject object(Environment(), true);
  Build(object);
  ASSERT_EQ(object.TagCount(), 8);
  TTagItem& line = object.TagAt(1);
  TTagItem& device1 = object.TagAt(2);
  TTagItem& device2 = object.TagAt(3);
  TTagItem& code = object.TagAt(4);
  TTagItem& commErr1 = object.TagAt(5);
  TTagItem& commErr2 = object.TagAt(6);
  TTagItem& lineUp = object.TagAt(7);
  EXPECT_EQ(commErr1.Value, TagValue::Boolean(false));
  EXPECT_FALSE(commErr1.Writable);
  const std::string device2Text = Utf8(device2.Value);
  EXPECT_EQ(device2Text, "2号变频器P11S通讯始终不成功!");

  // What the tags show after exchanges: the device's code and text, its CommErr, the line.
  auto shows = [&](int8_t status, const char* text, bool commErr, const char* lineText) {
    EXPECT_EQ(object.DevLinkStatus(1), status);
    EXPECT_EQ(code.Value, TagValue::Integer(status));
    EXPECT_EQ(Utf8(device1.Value), std::string("1号变频器G11S") + text);
    EXPECT_EQ(commErr1.Value, TagValue::Boolean(commErr));
    EXPECT_EQ(Utf8(line.Value), std::string("富士变频器") + lineText);
  };
  // Never answered: time-outs leave it there, and the device's CommErr turns true.
  for (int i = 0; i < 3; ++i) Exchange(object, false);
  shows(0, "通讯始终不成功!", true, "通讯始终不成功!");
  Exchange(object, true);
  shows(1, "通讯正常!", false, "通讯正常!");
  for (int i = 0; i < 4; ++i) Exchange(object, false);
  shows(3, "通讯出现故障!", true, "通讯出现故障!");
  EXPECT_EQ(lineUp.Value, TagValue::Boolean(true));
  // The other device's tags are not touched.
  EXPECT_EQ(Utf8(device2.Value), device2Text);
  EXPECT_EQ(commErr2.Value, TagValue::Integer(0));
  EXPECT_EQ(object.DevLinkStatus(2), 0);

  // A device switched off shows "paused".
  object.SetDevEnabled(1, false);
  Exchange(object, true);
  EXPECT_EQ(object.DevLinkStatus(1), 5);
  EXPECT_EQ(Utf8(device1.Value), "1号变频器G11S通讯暂停!");
}

TEST_F(SchedulerTest, CommErrTagsAreNeverSentAndFollowTheirDeviceAsNumbers) {
  infos = {Tag(0, "a", "F2:3", kAnalog), Tag(1, "故障", "CommErr2:", kAnalog)};
  ScriptedObject object(Environment(), true);
  Build(object);
  ASSERT_EQ(object.List().size(), 1u);
  Exchange(object, true);
  for (int i = 0; i < 4; ++i) Exchange(object, false);
  EXPECT_EQ(object.TagAt(1).Value, TagValue::Integer(1));
  EXPECT_EQ(object.WriteExecute(1, TagValue::Double(0)), false);
  Exchange(object, true);
  EXPECT_EQ(object.TagAt(1).Value, TagValue::Integer(0));
  for (const std::string& frame : object.sent) EXPECT_EQ(frame, object.List()[0]->AskFrame);
}

TEST_F(SchedulerTest, OnlyOneShotChainsAreReleasedWhenTheyEnd) {
  infos = {Tag(0, "a", "F1:3", kAnalog), Tag(1, "b", "F2:3", kAnalog)};
  ScriptedObject object(Environment(), true);
  Build(object);
  object.GetNextCommand();
  object.GetCommandNext();
  EXPECT_EQ(object.Current(), nullptr);
  EXPECT_EQ(object.Chain(), nullptr);
  ASSERT_EQ(object.List().size(), 2u);
  // A read marked one-shot leaves the list when it has run.
  object.List()[0]->Command |= kCommandOneShot;
  object.List()[0]->LastRunTick = clock.TickCount() - 5000;
  TCommandItem* other = object.List()[1].get();
  object.GetNextCommand();
  object.GetCommandNext();
  ASSERT_EQ(object.List().size(), 1u);
  EXPECT_EQ(object.List()[0].get(), other);
}

}  // namespace
}  // namespace vdinv::engine
