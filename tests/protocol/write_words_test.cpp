#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/text.h"
#include "protocol/dll_object.h"
#include "support/engine_fixture.h"
#include "support/scripted_object.h"

namespace vdinv::protocol {
namespace {

using ::testing::HasSubstr;

class WriteWordsTest : public test::EngineFixture {
 protected:
  // Exposes the queue of write commands.
  class Object : public TDLLObject {
   public:
    using TDLLObject::TDLLObject;
    const engine::CommandList& Queue() const { return writes_.Commands(); }
  };
};

TEST_F(WriteWordsTest, SwitchAndStringTagsWriteTheirWordsAndRefuseOtherTexts) {
  TDevParmBlock block = Block({{1, kModelG11S}});
  block.EnErrorLog = 1;
  Object object(Environment(), true);
  TTagInfo text = Tag(1, "text", "F1:3", kString);
  TTagInfo flag = Tag(2, "flag", "E1:2", kSwitch);
  ASSERT_TRUE(object.IniDLLObj(&block, {&text, &flag}));

  EXPECT_FALSE(object.WriteExecute(1, TagValue::String("xyz")));
  EXPECT_THAT(LogText(), HasSubstr("：标签text写错误,写入值不是1到4位十六进制数!\r\n"));
  EXPECT_TRUE(object.Queue().empty());

  ASSERT_TRUE(object.WriteExecute(1, TagValue::String("1a")));
  ASSERT_TRUE(object.WriteExecute(2, TagValue::Boolean(true)));
  ASSERT_EQ(object.Queue().size(), 2u);
  EXPECT_THAT(object.Queue()[0]->AskFrame, HasSubstr("WF03 001A\x03"));
  EXPECT_THAT(object.Queue()[1]->AskFrame, HasSubstr("WE02 0001\x03"));
}

TEST_F(WriteWordsTest, AConfirmedStringWriteShowsTheWordThatWasSent) {
  TDevParmBlock block = Block({{1, kModelG11S}});
  test::ScriptedObject object(Environment(), true);
  TTagInfo text = Tag(1, "text", "F1:3", kString);
  ASSERT_TRUE(object.IniDLLObj(&block, {&text}));
  ASSERT_TRUE(object.WriteExecute(1, TagValue::String("ab")));
  object.ReadExecute();  // init, then the queued write goes out before the read
  ASSERT_EQ(object.sent.size(), 1u);
  EXPECT_THAT(object.sent[0], HasSubstr("WF03 00AB\x03"));
  EXPECT_EQ(object.TagAt(0).Value, TagValue::String(""));
  object.replies = {true};
  object.ReadExecute();
  // The value a read of the function code will report from now on.
  EXPECT_EQ(object.TagAt(0).Value, TagValue::String("00AB"));
}

}  // namespace
}  // namespace vdinv::protocol
