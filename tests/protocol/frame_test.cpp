// Request frames, value texts, check codes and reply heads of the inverter protocol.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "common/number_text.h"
#include "common/value_word.h"
#include "protocol/dll_object.h"
#include "protocol/object_harness.h"
#include "support/engine_fixture.h"

namespace vdinv::protocol {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Object = test::Harness<TDLLObject>;

std::string Frame(const std::string& body, const std::string& check) {
  return "\x01" + body + check;
}

class FrameTest : public test::EngineFixture {
 protected:
  FrameTest() : object(Environment(), true) {
    block = Block({{1, kModelG11S}});
    object.IniParm(&block);
  }
  std::string Ask(TTagItem tag, bool isWrite) {
    TCommandItem command;
    return object.GetAskStr(command, tag, isWrite);
  }
  std::string ValueText(uint8_t dataType, TagValue value, bool isWrite = true) {
    TTagItem tag = test::MakeTag(kTypeF, 1, 7, dataType, 1000, std::move(value));
    return object.CreateValueStr(tag, isWrite);
  }

  TDevParmBlock block;
  Object object;
};

TEST_F(FrameTest, WorkedExamplesByteForByte) {
  EXPECT_EQ(Ask(test::MakeTag(kTypeF, 1, 3), false), Frame("01\x05RF03 0000\x03", "44"));
  EXPECT_EQ(Ask(test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Integer(100)), true),
            Frame("01\x05WF07 0064\x03", "57"));
  EXPECT_EQ(Ask(test::MakeTag(kTypeM, 1, 8), false), Frame("01\x05RM08 0000\x03", "50"));

  // The same frames through the commands that carry them.
  TTagItem& read = object.AddTag(test::MakeTag(kTypeF, 1, 3));
  engine::CommandPtr command = object.CreatCommand(read, object.List(), false);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->AskFrame, Frame("01\x05RF03 0000\x03", "44"));
  EXPECT_EQ(command->AnswerHead, "01R");
  EXPECT_EQ(command->AskFrame.size(), 16u);

  TTagItem& write =
      object.AddTag(test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Integer(100)));
  command = object.CreatCommand(write, object.List(), true);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->AskFrame, Frame("01\x05WF07 0064\x03", "57"));
  EXPECT_EQ(command->AnswerHead, "");
}

TEST_F(FrameTest, EveryGroupLetterAndTheCommErrStandIn) {
  const char* letters[] = {"F", "E", "C", "P", "H", "A", "O", "S", "M"};
  for (int32_t type = kTypeF; type <= kTypeM; ++type) {
    std::string frame = Ask(test::MakeTag(type, 5, 9), false);
    EXPECT_EQ(frame.substr(0, 14), std::string("\x01"
                                               "05\x05R") +
                                       letters[type] + "09 0000\x03")
        << type;
  }
  // "CommErr" has no function code (-1): the letter M and the number text "-01".
  std::string commErr = Ask(test::MakeTag(kTypeCommErr, 1, -1), false);
  EXPECT_EQ(commErr.substr(0, 15),
            "\x01"
            "01\x05RM-01 0000\x03");
  EXPECT_EQ(Ask(test::MakeTag(-1, 1, 3), false), "");
}

TEST_F(FrameTest, LargeStationsAndCodesGrowTheFrameUnderTheCheckCode) {
  auto sum = [](const std::string& body) {
    unsigned total = 0;
    for (unsigned char c : body) total += c;
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", total % 256);
    return std::string(hex);
  };
  std::string body = "100\x05RF03 0000\x03";
  EXPECT_EQ(Ask(test::MakeTag(kTypeF, 100, 3), false), Frame(body, sum(body)));
  body = "07\x05RF123 0000\x03";
  EXPECT_EQ(Ask(test::MakeTag(kTypeF, 7, 123), false), Frame(body, sum(body)));
  body = "100\x05WF07 FFFF\x03";
  EXPECT_EQ(Ask(test::MakeTag(kTypeF, 100, 7, kAnalog, 1000, TagValue::Integer(65535)), true),
            Frame(body, sum(body)));
  // A write without its data word has no frame at all.
  EXPECT_EQ(Ask(test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Integer(65536)), true), "");
}

TEST_F(FrameTest, AnalogValuesRoundTiesToEvenIntoFourDigits) {
  EXPECT_EQ(ValueText(kAnalog, TagValue::Integer(100)), "0064");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Integer(3000)), "0BB8");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Integer(65535)), "FFFF");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Integer(65536)), "");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Integer(-1)), "");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Double(2.5)), "0002");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Double(3.5)), "0004");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Double(-2.5)), "");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Double(12.6)), "000D");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Double(0.49999999999999994)), "0000");
  EXPECT_EQ(ValueText(kAnalog, TagValue::String("12")), "000C");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Integer(100), false), "0064");
  // A switch writes 0001 for true and 0000 for false; a string of hexadecimal digits is
  // written upper-cased and zero-padded; any other text gives no word at all.
  EXPECT_EQ(ValueText(kSwitch, TagValue::Boolean(true)), "0001");
  EXPECT_EQ(ValueText(kSwitch, TagValue::Boolean(false)), "0000");
  EXPECT_EQ(ValueText(kSwitch, TagValue::Boolean(true), false), "0000");
  EXPECT_EQ(ValueText(kString, TagValue::String("7")), "0007");
  EXPECT_EQ(ValueText(kString, TagValue::String("abc")), "0ABC");
  EXPECT_EQ(ValueText(kString, TagValue::String("xyz")), "");
}

TEST_F(FrameTest, AValueNoWordCarriesGivesNoTextWithoutAnExceptionLine) {
  block.EnErrorLog = 1;
  object.IniParm(&block);
  EXPECT_EQ(ValueText(kAnalog, TagValue::Double(4294967296.0)), "");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Double(2147483647.5)), "");
  EXPECT_EQ(ValueText(kAnalog, TagValue::String("fast")), "");
  EXPECT_EQ(ValueText(kAnalog, TagValue::Double(-2147483648.0)), "");
  EXPECT_THAT(LogText(), Not(HasSubstr("异常")));
  EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(NumberTextTest, MinimumWidthDecimalAndHexadecimal) {
  EXPECT_EQ(DecimalText(5, 2), "05");
  EXPECT_EQ(DecimalText(123, 2), "123");
  EXPECT_EQ(DecimalText(-1, 2), "-01");
  EXPECT_EQ(DecimalText(0, 2), "00");
  EXPECT_EQ(DecimalText(std::numeric_limits<int64_t>::min(), 2), "-9223372036854775808");
  EXPECT_EQ(HexText(255, 4), "00FF");
  EXPECT_EQ(HexText(65536, 4), "10000");
  EXPECT_EQ(HexText(0xABCDEF12u, 2), "ABCDEF12");
  EXPECT_EQ(HexText(0, 0), "0");
}

TEST_F(FrameTest, CheckCodeIsTheByteSumInTwoUpperCaseDigits) {
  EXPECT_EQ(object.CheckCRC("abc"), "abc26");
  EXPECT_EQ(object.CheckCRC("\x0A"),
            "\x0A"
            "0A");
  EXPECT_EQ(object.CheckCRC(""), "00");
  EXPECT_EQ(object.CheckCRC("\xFF\xFF"),
            "\xFF\xFF"
            "FE");  // bytes count unsigned
  EXPECT_EQ(object.GetCrcSourceStr("abc26"), "abc");
  EXPECT_EQ(object.GetCrcSourceStr("26"), "");
  EXPECT_EQ(object.GetCrcSourceStr("6"), "");
}

TEST_F(FrameTest, ReplyHeadCarriesTheStationInHexadecimal) {
  TCommandItem command;
  TTagItem tag = test::MakeTag(kTypeF, 1, 3);
  EXPECT_EQ(object.GetAnswerMainStr(command, tag, false), "01R");
  tag.DevID = 26;
  EXPECT_EQ(object.GetAnswerMainStr(command, tag, false), "1AR");
  EXPECT_EQ(object.GetAnswerMainStr(command, tag, true), "");
  tag.TypeIndex = -1;
  EXPECT_EQ(object.GetAnswerMainStr(command, tag, false), "");
}

TEST_F(FrameTest, AFractionalWriteIsSentAndKeptAsTheNearestInteger) {
  TTagItem& tag = object.AddTag(test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Double(12.6)));
  engine::CommandPtr command = object.CreatCommand(tag, object.List(), true);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->AskFrame.substr(4, 9), "WF07 000D");
  EXPECT_EQ(command->WriteWord, 13);
  EXPECT_TRUE(tag.Value.IsInteger());
  EXPECT_EQ(tag.Value, TagValue::Integer(13));
  // A read leaves the value alone.
  TTagItem& read =
      object.AddTag(test::MakeTag(kTypeF, 1, 8, kAnalog, 1000, TagValue::Double(12.6)));
  ASSERT_TRUE(object.CreatCommand(read, object.List(), false));
  EXPECT_TRUE(read.Value.IsDouble());
}

TEST_F(FrameTest, WritesThatCannotBeSentCreateNoCommand) {
  block.EnErrorLog = 1;
  object.IniParm(&block);
  // Read-only groups.
  for (int32_t type : {int32_t{kTypeM}, int32_t{kTypeCommErr}}) {
    TTagItem& tag = object.AddTag(test::MakeTag(type, 1, 8, kAnalog, 1000, TagValue::Integer(5)));
    EXPECT_FALSE(object.CreatCommand(tag, object.List(), true)) << type;
  }
  // A value beyond the data word, or a text that is no number, is refused rather than sent as
  // some other number; the tag keeps its value.
  TTagItem& huge =
      object.AddTag(test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Double(1e10)));
  EXPECT_FALSE(object.CreatCommand(huge, object.List(), true));
  EXPECT_EQ(huge.Value, TagValue::Double(1e10));
  TTagItem& text =
      object.AddTag(test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::String("fast")));
  EXPECT_FALSE(object.CreatCommand(text, object.List(), true));
  EXPECT_THAT(LogText(), Not(HasSubstr("异常")));
  // Such a value still lets the tag be read.
  EXPECT_TRUE(object.CreatCommand(huge, object.List(), false));
}

}  // namespace
}  // namespace vdinv::protocol
