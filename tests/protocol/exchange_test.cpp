// One exchange through the protocol layer on a line in memory: the frame goes out, the reply
// comes back and is taken only when it answers the request.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "common/process_values.h"
#include "protocol/check_code.h"
#include "protocol/dll_object.h"
#include "protocol/reply.h"
#include "support/engine_fixture.h"

namespace vdinv::protocol {
namespace {

using ::testing::HasSubstr;

std::string Reply(const std::string& body) {
  return "\x01" + body + CheckDigits(body);
}

class ExchangeTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    block = Block({{1, kModelG11S}});
    block.EnTraceLog = 1;
    block.EnErrorLog = 1;
    info = Tag(1, "freq", "F1:3", kAnalog);
    ASSERT_TRUE(object.IniDLLObj(&block, {&info}));
    object.ReadExecute();  // init, then the read of F03 goes out
    ASSERT_EQ(line->writes.size(), 1u);
    ASSERT_EQ(line->writes[0],
              "\x01"
              "01\x05RF03 0000\x03"
              "44");
  }
  const TTagItem& TagOf() const { return *object.Tags()[0]; }

  TDevParmBlock block;
  TTagInfo info;
  TDLLObject object{Environment(), true};
};

TEST_F(ExchangeTest, TheReplyToTheRequestIsTakenAfterAnEchoAndNoise) {
  // A two-wire adapter's echo of the request and some noise come first.
  line->Arrive(line->writes[0] + "\x7f\x03");
  object.ReadExecute();
  EXPECT_EQ(TagOf().Value, TagValue::Integer(0));
  line->Arrive(Reply("01\x06RF03 0BB8\x03"));
  object.ReadExecute();
  EXPECT_EQ(TagOf().Value, TagValue::Double(3000));
  EXPECT_EQ(object.CommStatus(), 1);
}

TEST_F(ExchangeTest, RepliesOfAnotherStationOrCodeAndRefusalsAreNoValue) {
  line->Arrive(Reply("02\x06RF03 0BB8\x03") + Reply("01\x06RF04 0BB8\x03"));
  object.ReadExecute();
  EXPECT_EQ(TagOf().Value, TagValue::Integer(0));
  line->Arrive(Reply("01\x15RF03 004C\x03"));
  object.ReadExecute();
  object.ReadExecute();
  EXPECT_EQ(TagOf().Value, TagValue::Integer(0));
  EXPECT_EQ(object.RunStatus(), 10);  // still waiting: a refusal ends through the time-out
  const std::string log = LogText();
  const std::string refusal = "：设备拒绝执行命令，应答信息= ";
  ASSERT_THAT(log, HasSubstr(refusal));
  EXPECT_EQ(log.find(refusal), log.rfind(refusal));  // traced once
  clock.Advance(ProcessOutTime() + 1);
  object.ReadExecute();
  EXPECT_EQ(TagOf().Quality, 0u);
  EXPECT_EQ(TagOf().Value, TagValue::Integer(0));
}

TEST_F(ExchangeTest, AReplyInPiecesIsTakenWholeAndTheNextExchangeSearchedFromItsStart) {
  // A broken-off frame head and then the reply, a piece a poll: the reply text is all of it.
  const std::string head =
      "\x01"
      "01\x06RF03 0B";
  const std::string reply = Reply("01\x06RF03 0BB8\x03");
  for (const std::string& piece : {head + std::string(200, '0'), reply.substr(0, 9)}) {
    line->Arrive(piece);
    object.ReadExecute();
    EXPECT_EQ(TagOf().Value, TagValue::Integer(0));
  }
  line->Arrive(reply.substr(9));
  object.ReadExecute();
  EXPECT_EQ(TagOf().Value, TagValue::Double(3000));
  EXPECT_THAT(LogText(), HasSubstr("= " + head + std::string(200, '0') + reply + "\r\n"));

  // The next request's reply is shorter than all that: it is found from its own start.
  clock.Advance(1000);
  object.ReadExecute();
  ASSERT_EQ(line->writes.size(), 2u);
  line->Arrive(Reply("01\x06RF03 0FA0\x03"));
  object.ReadExecute();
  EXPECT_EQ(TagOf().Value, TagValue::Double(4000));
}

// A line that never stops sending: an exchange keeps a bounded tail of it, a reply at the end
// of the stream is still found there, and the time-out's log line says the text was cut.
TEST_F(ExchangeTest, AnEndlessStreamKeepsABoundedTail) {
  constexpr size_t kTail = 4096;
  const std::string reply = Reply("01\x06RF03 0BB8\x03");
  std::string noise;  // replies cut off in their data word, and zeros
  while (noise.size() < 64 * 1024) noise += reply.substr(0, 12) + std::string(200, '0');
  line->Arrive(noise + reply);
  size_t longest = 0;
  for (int i = 0; i < 40 && TagOf().Value != TagValue::Double(3000); ++i) {
    longest = std::max(longest, object.CurCommand()->Reply.size());
    object.ReadExecute();
  }
  EXPECT_EQ(TagOf().Value, TagValue::Double(3000));
  EXPECT_LE(longest, kTail);

  clock.Advance(1000);
  object.ReadExecute();
  ASSERT_EQ(line->writes.size(), 2u);
  line->Arrive(noise);
  for (int i = 0; i < 40; ++i) object.ReadExecute();
  clock.Advance(ProcessOutTime() + 1);
  object.ReadExecute();
  EXPECT_THAT(LogText(),
              HasSubstr("：接收到应答信息（太长，已截去前" + std::to_string(noise.size() - kTail) +
                        "个字符）= " + noise.substr(noise.size() - kTail) + "\r\n"));
}

TEST_F(ExchangeTest, ANegativeMonitorValueKeepsItsSign) {
  line->Arrive(Reply("01\x06RF03-0032\x03"));
  object.ReadExecute();
  EXPECT_EQ(TagOf().Value, TagValue::Double(-50));
}

}  // namespace
}  // namespace vdinv::protocol
