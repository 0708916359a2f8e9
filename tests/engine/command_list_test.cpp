// The engine's command list: write commands, refused duplicates, the detailed logs, the final
// pass over the read commands and releasing commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "engine/base_object.h"
#include "protocol/dll_object.h"
#include "protocol/object_harness.h"
#include "support/engine_fixture.h"

namespace vdinv::engine {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class CommandListTest : public test::EngineFixture {
 protected:
  CommandListTest() { block = Block({{1, kModelG11S}}); }

  // Queues a write as the write path does: the command, its value to write, in the queue.
  template <class Object>
  TCommandItem* Queue(Object& object, TTagItem& tag) {
    CommandPtr command = object.CreatCommand(tag, object.List(), true);
    if (!command) return nullptr;
    command->WriteValues = {tag.Value};
    object.Queue().push_back(std::move(command));
    return object.Queue().back().get();
  }

  TDevParmBlock block;
};

TEST_F(CommandListTest, ARepeatedWriteOfTheQueuedValueIsRefused) {
  block.EnErrorLog = 1;
  test::Harness<protocol::TDLLObject> object(Environment(), true);
  object.IniParm(&block);
  TTagItem& tag = object.AddTag(
      test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Integer(100), "速度", "F1:7"));
  ASSERT_TRUE(Queue(object, tag));
  EXPECT_FALSE(object.CreatCommand(tag, object.List(), true));
  EXPECT_THAT(LogText(),
              HasSubstr("2026-12-07 07:26:50：标签写入请求未执行：速度重复写入, 地址=F1:7, "
                        "标签值=100\r\n"));
  // Switch and string values in the refusal line.
  TTagItem& on = object.AddTag(
      test::MakeTag(kTypeE, 1, 2, kSwitch, 1000, TagValue::Boolean(true), "on", "E1:2"));
  ASSERT_TRUE(Queue(object, on));
  EXPECT_FALSE(object.CreatCommand(on, object.List(), true));
  TTagItem& text =
      object.AddTag(test::MakeTag(kTypeE, 1, 3, kString, 1000, TagValue::String("1"), "t", "E1:3"));
  ASSERT_TRUE(Queue(object, text));
  EXPECT_FALSE(object.CreatCommand(text, object.List(), true));
  std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("：标签写入请求未执行：on重复写入, 地址=E1:2, 标签值=True\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签写入请求未执行：t重复写入, 地址=E1:3, 标签值=0001\r\n"));
}

TEST_F(CommandListTest, TheRefusalIsLoggedOnlyWithTheErrorLog) {
  for (bool engineOnly : {false, true}) {
    test::Harness<protocol::TDLLObject> protocolObject(Environment(), true);
    test::Harness<TBaseDLLObject> engineObject(Environment(), true);
    auto run = [&](auto& object) {
      object.IniParm(&block);
      TTagItem& tag =
          object.AddTag(test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Integer(5)));
      ASSERT_TRUE(Queue(object, tag));
      EXPECT_FALSE(object.CreatCommand(tag, object.List(), true));
    };
    if (engineOnly) {
      run(engineObject);
    } else {
      run(protocolObject);
    }
  }
  EXPECT_THAT(LogText(), Not(HasSubstr("重复写入")));
}

TEST_F(CommandListTest, ReadOnlyTypesNeverGetAWriteCommand) {
  test::Harness<protocol::TDLLObject> object(Environment(), true);
  test::Harness<TBaseDLLObject> engine(Environment(), true);
  object.IniParm(&block);
  engine.IniParm(&block);
  for (int32_t type : {int32_t{kTypeM}, int32_t{kTypeCommErr}}) {
    TTagItem& a = object.AddTag(test::MakeTag(type, 1, 8, kAnalog, 1000, TagValue::Integer(3)));
    TTagItem& b = engine.AddTag(test::MakeTag(type, 1, 8, kAnalog, 1000, TagValue::Integer(3)));
    EXPECT_FALSE(object.CreatCommand(a, object.List(), true));
    EXPECT_FALSE(engine.CreatCommand(b, engine.List(), true));
  }
  // Which types are polled: the readable groups and the monitored values, never "CommErr".
  for (int32_t type = kTypeF; type <= kTypeS; ++type)
    EXPECT_TRUE(engine.TypeNeedsReadCommand(type));
  EXPECT_TRUE(engine.TypeNeedsReadCommand(kTypeM));
  EXPECT_FALSE(engine.TypeNeedsReadCommand(kTypeCommErr));
  EXPECT_FALSE(engine.TypeNeedsReadCommand(-1));
  EXPECT_FALSE(engine.TypeNeedsReadCommand(10));
}

TEST_F(CommandListTest, TheWriteCommandLogStopsAfterItsBudget) {
  block.EnDebug = 1;
  test::Harness<protocol::TDLLObject> object(Environment(), true);
  object.IniParm(&block);
  TTagItem& tag = object.AddTag(
      test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Integer(100), "速度", "F1:7"));
  ASSERT_TRUE(object.CreatCommand(tag, object.List(), true));
  EXPECT_THAT(LogText(), HasSubstr("2026-12-07 07:26:50：变频器类型=G11S，设备号=1[速度 地址=F1:7 "
                                   "写入值=100,]生成写标签命令串=\x01"
                                   "01\x05WF07 0064\x03"
                                   "57\r\n"));
  for (int i = 1; i < 1005; ++i) {
    tag.Value = TagValue::Integer(i % 500);
    ASSERT_TRUE(object.CreatCommand(tag, object.List(), true));
  }
  EXPECT_EQ(object.WriteLogBudget(), 0);
  EXPECT_EQ(Count(LogText(), "]生成写标签命令串="), 1000u);
}

TEST_F(CommandListTest, TheEngineGroupsByRangeAndCompletesItsCommands) {
  block.EnDebug = 1;
  clock.SetTick(100);
  test::Harness<TBaseDLLObject> object(Environment(), true);
  object.IniParm(&block);
  object.AddTag(test::MakeTag(kTypeF, 1, 3, kAnalog, 900, TagValue::Integer(0), "a", "F1:3"));
  object.AddTag(test::MakeTag(kTypeF, 1, 3, kAnalog, 300, TagValue::Integer(0), "b", "F1:3"));
  object.AddTag(test::MakeTag(kTypeF, 1, 4, kAnalog, 300, TagValue::Integer(0), "c", "F1:4"));
  object.AddTag(test::MakeTag(kTypeCommErr, 1, -1, kAnalog, 300, TagValue::Integer(0), "e", "x"));
  object.Start();
  object.Refresh();
  const CommandList& list = object.Commands();
  // The engine's commands have no frames and keep the range 0..0, so each tag above code 0
  // makes its own command; "CommErr" makes none.
  ASSERT_EQ(list.size(), 3u);
  EXPECT_THAT(list[0]->TagIndexes, ElementsAre(0));
  EXPECT_EQ(list[0]->LastRunTick, static_cast<uint32_t>(100 - 900));
  EXPECT_EQ(list[0]->AskFrame, "");
  for (const auto& command : list) EXPECT_TRUE(command->Active);

  // A command whose range holds the code takes the tag, with the smaller period.
  CommandList own;
  TTagItem& d = object.AddTag(test::MakeTag(kTypeF, 1, 5, kAnalog, 800));
  own.push_back(object.CreatCommand(d, own, false));
  own[0]->StartAddr = 0;
  own[0]->EndAddr = 9;
  TTagItem& e = object.AddTag(test::MakeTag(kTypeF, 1, 9, kAnalog, 200));
  EXPECT_FALSE(object.CreatCommand(e, own, false));
  EXPECT_THAT(own[0]->TagIndexes, ElementsAre(4, 5));
  EXPECT_EQ(own[0]->Interval, 200);
  // Not readable for the engine: "M".
  TTagItem& m = object.AddTag(test::MakeTag(kTypeM, 1, 5, kAnalog, 800));
  EXPECT_FALSE(object.CreatCommand(m, own, false));

  std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("：变频器类型=G11S，设备号=1[a 地址=F1:3 ]生成读标签命令=\r\n"));
  EXPECT_EQ(Count(log, "]生成读标签命令="), 3u);
}

TEST_F(CommandListTest, WriteNumbersSetAndClearTheTagsBit) {
  test::Harness<TBaseDLLObject> object(Environment(), true);
  object.IniParm(&block);
  TTagItem& bit =
      object.AddTag(test::MakeTag(kTypeF, 1, 7, kSwitch, 1000, TagValue::Boolean(true)));
  bit.BitID = 3;
  bit.WriteNumber = 0x10001;  // beyond the word: kept to 16 bits
  CommandPtr command = object.CreatCommand(bit, object.List(), true);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->WriteWord, 0x0009);
  bit.Value = TagValue::Boolean(false);
  ASSERT_TRUE(object.CreatCommand(bit, object.List(), true));
  EXPECT_EQ(bit.WriteNumber, 1);

  TTagItem& text = object.AddTag(test::MakeTag(kTypeF, 1, 8, kString, 1000, TagValue::String("1")));
  text.BitID = 15;
  ASSERT_TRUE(object.CreatCommand(text, object.List(), true));
  EXPECT_EQ(text.WriteNumber, 0x8000);
  text.Value = TagValue::String("x");
  ASSERT_TRUE(object.CreatCommand(text, object.List(), true));
  EXPECT_EQ(text.WriteNumber, 0x8000);
  text.Value = TagValue::String("0");
  ASSERT_TRUE(object.CreatCommand(text, object.List(), true));
  EXPECT_EQ(text.WriteNumber, 0);
  // A switch without a bit number (-1) leaves the word alone.
  TTagItem& nobit =
      object.AddTag(test::MakeTag(kTypeF, 1, 9, kSwitch, 1000, TagValue::Boolean(true)));
  nobit.BitID = -1;
  nobit.WriteNumber = 6;
  ASSERT_TRUE(object.CreatCommand(nobit, object.List(), true));
  EXPECT_EQ(nobit.WriteNumber, 6);
}

TEST_F(CommandListTest, FreeCommandReleasesTheWholeChain) {
  TBaseDLLObject object(Environment(), true);
  // A very long chain is released without deep recursion; the leak checker sees any frame
  // left behind.
  CommandPtr chain = std::make_unique<TCommandItem>();
  TCommandItem* last = chain.get();
  for (int i = 0; i < 200000; ++i) {
    last->Next = std::make_unique<TCommandItem>();
    last = last->Next.get();
  }
  object.FreeCommand(chain);
  EXPECT_EQ(chain, nullptr);
  object.FreeCommand(chain);  // nothing to release
}

}  // namespace
}  // namespace vdinv::engine
