// The run-state machine driven as the host drives it: one ReadExecute per poll, replies from a
// script, time from the fake clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/process_values.h"
#include "platform/host_event.h"
#include "platform/text.h"
#include "support/engine_fixture.h"
#include "support/scripted_object.h"

namespace vdinv::engine {
namespace {

using test::ScriptedObject;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr uint8_t kLinked = 4;
constexpr uint8_t kReadSent = 10;
constexpr uint8_t kWriteSent = 11;

size_t Count(const std::vector<std::string>& frames, const std::string& frame) {
  size_t n = 0;
  for (const std::string& f : frames) n += f == frame ? 1 : 0;
  return n;
}

class RunStateTest : public test::EngineFixture {
 protected:
  RunStateTest() {
    block = Block({{1, kModelG11S}, {2, kModelG11S}});
    infos = {Tag(0, "速度", "F1:3", kAnalog), Tag(1, "电流", "M1:8", kAnalog),
             Tag(2, "线路", "COMMLINK", kString), Tag(3, "设备1", "DEVICELINK1", kString)};
  }

  // Builds the object from the tags; the block's time-out and repetitions become the process's.
  void Build(ScriptedObject& object) {
    TagInfoList list;
    for (const TTagInfo& info : infos) list.push_back(&info);
    ASSERT_TRUE(object.IniDLLObj(&block, list));
    object.WriteCommEvent({});  // the host takes the port's status text
  }
  const std::string& Frame(ScriptedObject& object, size_t command) {
    return object.List().at(command)->AskFrame;
  }
  // Lets the reply of the frame in execution time out at the next poll.
  void TimeOut() { clock.Advance(ProcessOutTime() + 1); }

  TDevParmBlock block;
  std::vector<TTagInfo> infos;
};

TEST_F(RunStateTest, FirstPollRunsInitAndSendsTheFirstDueRead) {
  ScriptedObject object(Environment(), true);
  Build(object);
  EXPECT_EQ(object.RunStatus(), 0);
  EXPECT_EQ(object.RunEvent(), 1);
  ASSERT_EQ(object.List().size(), 2u);
  object.ReadExecute();
  EXPECT_THAT(object.sent, ElementsAre(Frame(object, 0)));
  EXPECT_EQ(object.RunStatus(), kReadSent);
  EXPECT_EQ(object.RunEvent(), 0);
  // Waiting: polls without a reply send nothing.
  object.ReadExecute();
  clock.Advance(ProcessOutTime());
  object.ReadExecute();
  EXPECT_EQ(object.sent.size(), 1u);
}

TEST_F(RunStateTest, AReplyIsTakenAndTheNextDueReadGoesOutInTheSamePoll) {
  block.EnTraceLog = 1;
  ScriptedObject object(Environment(), true);
  Build(object);
  object.ReadExecute();
  // The reply came in after the time-out had passed but before this poll: it still counts,
  // because the reply is asked for before the time-out is tested.
  clock.Advance(5000);
  object.replies = {true};
  object.replyText = "ANSWER";
  object.ReadExecute();
  EXPECT_THAT(object.sent, ElementsAre(Frame(object, 0), Frame(object, 1)));
  EXPECT_EQ(object.RunStatus(), kReadSent);
  EXPECT_EQ(object.sErrEvent(), "");
  EXPECT_TRUE(object.LinkOK());
  EXPECT_EQ(object.CommStatus(), 1);
  EXPECT_EQ(object.TagAt(0).ReadCount, 1u);
  EXPECT_EQ(object.TagAt(0).Quality, 0u);
  EXPECT_EQ(object.TagAt(2).Value.ToText(), platform::Utf8ToGbk("富士变频器通讯正常!"));
  EXPECT_THAT(LogText(), HasSubstr("2026-12-07 07:26:55：发送读标签命令= " +
                                   platform::GbkToUtf8(Frame(object, 0)) +
                                   "\r\n2026-12-07 07:26:55：接收到应答信息= ANSWER\r\n"
                                   "2026-12-07 07:26:55：应答信息通过校验检查。\r\n"));
}

TEST_F(RunStateTest, ATimeOutIsStrictlyLongerThanTheReplyTimeEvenAcrossTheTickWrap) {
  block.EnErrorLog = 1;
  clock.SetTick(0xFFFFFF00u);
  ScriptedObject object(Environment(), true);
  Build(object);
  object.ReadExecute();
  ASSERT_EQ(object.RunStatus(), kReadSent);
  clock.Advance(ProcessOutTime());  // 0xFFFFFF00 + 1000 wraps past 2^32
  object.ReadExecute();
  EXPECT_EQ(object.RunStatus(), kReadSent);
  EXPECT_EQ(object.sErrEvent(), "");
  clock.Advance(1);
  object.ReadExecute();
  EXPECT_EQ(object.sErrEvent(), platform::Utf8ToGbk("通讯超时错，期待设备应答"));
  // One time-out counts twice against the command; the tag's statistics count a failed read.
  EXPECT_EQ(object.List()[0]->FailCount, 2);
  EXPECT_EQ(object.ReadFails(), 1u);
  EXPECT_EQ(object.ReadTimeouts(), 1.0);
  EXPECT_EQ(object.TagAt(0).ReadCount, 1u);
  EXPECT_EQ(object.TagAt(0).ReadFailCount, 1u);
  EXPECT_FALSE(object.LinkOK());
  // The next due read went out in the same poll.
  EXPECT_THAT(object.sent, ElementsAre(Frame(object, 0), Frame(object, 1)));
  const std::string frame = platform::GbkToUtf8(Frame(object, 0));
  const std::string head = platform::GbkToUtf8(object.List()[0]->AnswerHead);
  EXPECT_THAT(LogText(), HasSubstr("\r\n\r\n2026-12-07 07:26:51：通讯读超时错，执行操作=" + frame +
                                   "\r\n\r\n2026-12-07 07:26:51：通讯读超时错，期待应答=" + head +
                                   "\r\n2026-12-07 07:26:51：没有接收到应答信息！\r\n"
                                   "\r\n\r\n2026-12-07 07:26:51：通讯读失败，执行操作=" +
                                   frame + "\r\n\r\n2026-12-07 07:26:51：通讯读失败，期待应答=" +
                                   head + "\r\n2026-12-07 07:26:51：没有接收到应答信息！\r\n"));
}

TEST_F(RunStateTest, ATimeOutIsDeclaredAfterTheLineWasOffForMoreThanHalfTheTickRange) {
  // 24.8 days and more: the tick difference no longer fits a signed 32-bit number.
  for (uint32_t gap : {0x80000000u, 0xC0000000u, 0xFFFFFFFFu}) {
    ScriptedObject object(Environment(), true);
    Build(object);
    object.ReadExecute();
    ASSERT_EQ(object.RunStatus(), kReadSent);
    object.SetCommEnabled(false);
    clock.Advance(gap);
    object.SetCommEnabled(true);
    object.ReadExecute();
    EXPECT_EQ(object.sErrEvent(), platform::Utf8ToGbk("通讯超时错，期待设备应答")) << gap;
    EXPECT_EQ(object.List()[0]->FailCount, 2) << gap;
  }
}

TEST_F(RunStateTest, AReplyThatFailsItsCheckIsLoggedWithTheTimeOut) {
  block.EnErrorLog = 1;
  ScriptedObject object(Environment(), true);
  Build(object);
  object.ReadExecute();
  // Text arrived but never passed the check.
  object.answer = [](ScriptedObject& o) {
    o.Current()->Reply = "BAD";
    return false;
  };
  TimeOut();
  object.ReadExecute();
  EXPECT_THAT(LogText(), HasSubstr("：接收到应答信息= BAD\r\n2026-12-07 07:26:51："
                                   "应答信息没有通过校验检查。\r\n"));
  EXPECT_THAT(LogText(), Not(HasSubstr("没有接收到应答信息")));
}

TEST_F(RunStateTest, TheEleventhReadTimeOutIsASevereFaultAndTheHundredthSwitchesTheLogOn) {
  platform::HostFaultEvent event;
  ASSERT_NE(event.Handle(), 0);
  ScriptedObject object(Environment(), true);
  Build(object);
  object.SetFaultEvent(event.Handle());
  ASSERT_FALSE(object.EnLog());
  const std::string severe = platform::Utf8ToGbk("严重故障：连续通讯失败，请检查线路和设备");
  // Polls every 500 ms until the wanted number of time-outs has occurred.
  auto runUntil = [&](double timeouts) {
    for (int i = 0; i < 100000 && object.ReadTimeouts() < timeouts; ++i) {
      clock.Advance(500);
      object.ReadExecute();
    }
    ASSERT_EQ(object.ReadTimeouts(), timeouts);
  };
  runUntil(10);
  EXPECT_EQ(object.sErrEvent(), platform::Utf8ToGbk("通讯超时错，期待设备应答"));
  EXPECT_FALSE(event.Take());
  runUntil(11);
  EXPECT_EQ(object.sErrEvent(), severe);
  EXPECT_TRUE(event.Take());
  EXPECT_FALSE(object.EnLog());
  runUntil(99);
  EXPECT_FALSE(object.EnLog());
  runUntil(100);
  EXPECT_TRUE(object.EnLog());
}

TEST_F(RunStateTest, AQueuedWriteGoesOutBeforeDueReadsAndItsSuccessShowsTheValue) {
  block.EnTraceLog = 1;
  ScriptedObject object(Environment(), true);
  Build(object);
  SetProcessWCount(0);  // a used-up budget is filled again by a success
  TCommandItem* write = object.QueueWrite(object.TagAt(0), TagValue::Integer(50));
  ASSERT_NE(write, nullptr);
  const std::string frame = write->AskFrame;
  object.ReadExecute();
  EXPECT_THAT(object.sent, ElementsAre(frame));
  EXPECT_EQ(object.RunStatus(), kWriteSent);
  EXPECT_TRUE(object.Queue().empty());
  EXPECT_EQ(object.TagAt(0).Value, TagValue::Integer(0));
  object.replies = {true};
  object.ReadExecute();
  EXPECT_EQ(object.TagAt(0).Value, TagValue::Integer(50));
  EXPECT_EQ(object.TagAt(0).WriteCount, 1u);
  EXPECT_EQ(object.ExecutingWrite(), nullptr);
  EXPECT_EQ(ProcessWCount(), 2);
  EXPECT_THAT(object.sent, ElementsAre(frame, Frame(object, 0)));
  EXPECT_THAT(LogText(), HasSubstr("：发送写标签命令= " + platform::GbkToUtf8(frame) + "\r\n"));
}

TEST_F(RunStateTest, AWriteThatNeverSucceedsIsSentOnceMoreThanTheRepetitionsThenMarked) {
  for (uint8_t repetitions : {uint8_t{2}, uint8_t{3}}) {
    block.WCount = repetitions;
    block.EnErrorLog = 1;
    ScriptedObject object(Environment(), true);
    Build(object);
    TCommandItem* write = object.QueueWrite(object.TagAt(0), TagValue::Integer(7));
    ASSERT_NE(write, nullptr);
    const std::string frame = write->AskFrame;
    object.ReadExecute();
    for (int i = 0; i < 10 && object.RunStatus() == kWriteSent; ++i) {
      TimeOut();
      object.ReadExecute();
    }
    EXPECT_EQ(Count(object.sent, frame), repetitions + 1u) << int{repetitions};
    const TTagItem& tag = object.TagAt(0);
    EXPECT_EQ(tag.Quality, 0x04000000u);
    EXPECT_EQ(tag.Value, TagValue::Integer(0));
    EXPECT_EQ(tag.WriteCount, 1u);
    EXPECT_EQ(tag.WriteFailCount, 1u);
    EXPECT_EQ(object.WriteFails(), 1u);
    EXPECT_EQ(object.ExecutingWrite(), nullptr);
    // The budget left over: used once more after it was filled again.
    EXPECT_EQ(ProcessWCount(), repetitions - 1);
    // The reads go on in the same poll.
    EXPECT_EQ(object.sent.back(), Frame(object, 0));
    EXPECT_THAT(LogText(), HasSubstr("：通讯写失败，执行操作=" + platform::GbkToUtf8(frame)));
  }
}

TEST_F(RunStateTest, FollowOnFramesGoOutAtOnceAndOnlyOneShotChainsAreReleased) {
  ScriptedObject object(Environment(), true);
  Build(object);
  auto follow = std::make_unique<TCommandItem>();
  follow->AskFrame = "FOLLOW-READ";
  follow->TagIndexes = {0};
  follow->DevID = 1;
  object.List()[0]->Next = std::move(follow);
  TCommandItem* write = object.QueueWrite(object.TagAt(0), TagValue::Integer(9));
  ASSERT_NE(write, nullptr);
  auto followWrite = std::make_unique<TCommandItem>();
  followWrite->AskFrame = "FOLLOW-WRITE";
  followWrite->IsWrite = true;
  followWrite->Command = write->Command;
  followWrite->DevID = 1;
  write->Next = std::move(followWrite);
  const std::string writeFrame = write->AskFrame;

  object.ReadExecute();  // the write
  object.replies = {true};
  object.ReadExecute();  // its reply: the follow-on at once
  EXPECT_THAT(object.sent, ElementsAre(writeFrame, "FOLLOW-WRITE"));
  EXPECT_EQ(object.RunStatus(), kWriteSent);
  object.replies = {true};
  object.ReadExecute();  // the chain is done and released; the first read goes out
  EXPECT_EQ(object.ExecutingWrite(), nullptr);
  EXPECT_EQ(object.sent.back(), Frame(object, 0));
  object.replies = {true};
  object.ReadExecute();
  EXPECT_EQ(object.sent.back(), "FOLLOW-READ");
  object.replies = {true};
  object.ReadExecute();
  // A read command stays in the list with its chain.
  ASSERT_EQ(object.List().size(), 2u);
  EXPECT_NE(object.List()[0]->Next, nullptr);
  EXPECT_EQ(object.sent.back(), Frame(object, 1));
}

TEST_F(RunStateTest, SwitchingCommunicationOffFreezesTheMachineAndOnResumesIt) {
  ScriptedObject object(Environment(), true);
  Build(object);
  object.ReadExecute();
  object.SetCommEnabled(false);
  clock.Advance(60000);
  object.replies = {true};
  for (int i = 0; i < 5; ++i) object.ReadExecute();
  EXPECT_EQ(object.sent.size(), 1u);
  EXPECT_EQ(object.RunStatus(), kReadSent);
  EXPECT_EQ(object.resultCalls, 0);
  object.SetCommEnabled(true);
  object.replies.clear();
  object.ReadExecute();  // the reply is overdue: the failure path, then the next read
  EXPECT_EQ(object.sErrEvent(), platform::Utf8ToGbk("通讯超时错，期待设备应答"));
  EXPECT_EQ(object.List()[0]->FailCount, 2);
  EXPECT_EQ(object.sent.size(), 2u);
}

TEST_F(RunStateTest, AnAnswerWithoutACommandRecoversThroughTheLinkStateAtTheNextPoll) {
  ScriptedObject object(Environment(), true);
  Build(object);
  object.SetRun(kReadSent, 0);
  object.replies = {true};
  object.ReadExecute();
  EXPECT_EQ(object.RunStatus(), 2);
  EXPECT_EQ(object.RunEvent(), 5);
  EXPECT_TRUE(object.sent.empty());
  object.ReadExecute();
  EXPECT_EQ(object.RunStatus(), kReadSent);
  EXPECT_THAT(object.sent, ElementsAre(Frame(object, 0)));
}

TEST_F(RunStateTest, AWriteFrameMarkedAsRailIsSentAsAWrite) {
  ScriptedObject object(Environment(), true);
  Build(object);
  TCommandItem* write = object.QueueWrite(object.TagAt(0), TagValue::Integer(3));
  ASSERT_NE(write, nullptr);
  write->AskFrame = "ATH0";
  object.ReadExecute();
  EXPECT_THAT(object.sent, ElementsAre("ATH0"));
  EXPECT_EQ(object.RunStatus(), kWriteSent);
  object.replies = {true};
  object.ReadExecute();
  EXPECT_EQ(object.TagAt(0).Value, TagValue::Integer(3));
}

// Counts the error-clearing steps, and can make the line fail.
class CountingObject : public ScriptedObject {
 public:
  using ScriptedObject::ScriptedObject;
  ~CountingObject() override { Destroying(); }
  void opClrSystemError_Exec() override {
    ++clears;
    ScriptedObject::opClrSystemError_Exec();
  }
  void RealComm(TCommandItem* command) override {
    if (failSend) throw std::runtime_error("line");
    ScriptedObject::RealComm(command);
  }
  int clears = 0;
  bool failSend = false;
};

TEST_F(RunStateTest, APollThatNeverReachesAWaitingStateEndsAfterABoundedNumberOfSteps) {
  for (uint8_t event : {uint8_t{0}, uint8_t{13}, uint8_t{14}}) {
    CountingObject object(Environment(), true);
    Build(object);
    object.SetRun(2, event);
    object.ReadExecute();
    EXPECT_GT(object.clears, 0);
    EXPECT_LE(object.clears, 64);
    EXPECT_EQ(object.RunStatus(), 2);
    // The next poll goes on from there, again bounded.
    object.clears = 0;
    object.ReadExecute();
    EXPECT_LE(object.clears, 64);
  }
}

TEST_F(RunStateTest, AFailingSendStartsAfreshAtTheNextPoll) {
  block.EnErrorLog = 1;
  CountingObject object(Environment(), true);
  Build(object);
  object.failSend = true;
  object.ReadExecute();
  EXPECT_EQ(object.RunStatus(), kLinked);
  EXPECT_EQ(object.RunEvent(), 0);
  EXPECT_THAT(LogText(), HasSubstr("：TBaseDLLObject.opReadCmd_Exec异常！\r\n"));
  object.failSend = false;
  object.ReadExecute();
  EXPECT_EQ(object.RunStatus(), kReadSent);
  EXPECT_EQ(object.sent.size(), 1u);
}

TEST_F(RunStateTest, StoppingDropsTheWriteInExecution) {
  ScriptedObject object(Environment(), true);
  Build(object);
  ASSERT_NE(object.QueueWrite(object.TagAt(0), TagValue::Integer(4)), nullptr);
  object.ReadExecute();
  ASSERT_NE(object.ExecutingWrite(), nullptr);
  object.Refresh();
  EXPECT_EQ(object.ExecutingWrite(), nullptr);
  EXPECT_EQ(object.CurCommand(), nullptr);
  ASSERT_NE(object.QueueWrite(object.TagAt(0), TagValue::Integer(5)), nullptr);
  object.SetRun(kLinked, 0);
  object.ReadExecute();
  ASSERT_NE(object.ExecutingWrite(), nullptr);
  object.Stop();
  EXPECT_EQ(object.ExecutingWrite(), nullptr);
  // A stopped engine no longer steps.
  object.ReadExecute();
  EXPECT_EQ(object.sent.size(), 2u);
}

}  // namespace
}  // namespace vdinv::engine
