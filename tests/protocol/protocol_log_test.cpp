// What the protocol layer writes to the log about its commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "protocol/dll_object.h"
#include "protocol/object_harness.h"
#include "support/engine_fixture.h"

namespace vdinv::protocol {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Object = test::Harness<TDLLObject>;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class ProtocolLogTest : public test::EngineFixture {
 protected:
  void Run(Object& object, bool debug) {
    TDevParmBlock block = Block({{1, kModelG11S}, {2, kModelP11S}});
    block.EnDebug = debug ? 1 : 0;
    object.IniParm(&block);
    object.AddTag(test::MakeTag(kTypeF, 1, 3, kAnalog, 1000, TagValue::Integer(0), "速度", "F1:3"));
    object.AddTag(test::MakeTag(kTypeF, 1, 3, kAnalog, 1000, TagValue::Integer(0), "b", "f1：3"));
    object.AddTag(test::MakeTag(kTypeM, 2, 8, kAnalog, 1000, TagValue::Integer(0), "c", "M2:8"));
    object.Start();
    object.Refresh();
  }
};

TEST_F(ProtocolLogTest, RefreshLogsEachReadCommandAndTheFrameCountsWithTheDebugLog) {
  Object object(Environment(), true);
  Run(object, true);
  std::string log = LogText();
  EXPECT_THAT(
      log, HasSubstr("2026-12-07 07:26:50：变频器类型=G11S，设备号=1[速度 地址=F1:3 b 地址=f1：3 "
                     "]生成读标签命令串=\x01"
                     "01\x05RF03 0000\x03"
                     "44\r\n"));
  EXPECT_THAT(log, HasSubstr("：变频器类型=P11S，设备号=2[c 地址=M2:8 ]生成读标签命令串=\x01"
                             "02\x05RM08 0000\x03"
                             "51\r\n"));
  EXPECT_THAT(log, HasSubstr("：有效标签个数=3\r\n"));
  EXPECT_THAT(log, HasSubstr("：最长通讯报包含的标签个数=2个\r\n"));
  EXPECT_THAT(log, HasSubstr("：包含的通讯报总计=2条\r\n\r\n"));
  EXPECT_EQ(object.ScanTime(), 10);

  // Stop lists the commands once more, then the totals.
  object.Stop();
  log = LogText();
  EXPECT_EQ(Count(log,
                  "]生成读标签命令串=\x01"
                  "01\x05RF03"),
            2u);
  size_t tags = log.find("：有效标签个数共计=3\r\n");
  size_t frames = log.rfind("：包含的通讯报总计=2条\r\n");
  size_t longest = log.rfind("：最长通讯报包含的标签个数=2个\r\n");
  ASSERT_NE(tags, std::string::npos);
  EXPECT_LT(tags, frames);
  EXPECT_LT(frames, longest);
  EXPECT_LT(longest, log.find("：本次运行总时间"));
}

TEST_F(ProtocolLogTest, WithoutTheDebugLogOnlyTheCountsAreWritten) {
  Object object(Environment(), true);
  Run(object, false);
  object.Stop();
  std::string log = LogText();
  EXPECT_THAT(log, Not(HasSubstr("生成读标签命令")));
  EXPECT_THAT(log, HasSubstr("：包含的通讯报总计=2条\r\n"));
  EXPECT_THAT(log, HasSubstr("：有效标签个数共计=3\r\n"));
}

}  // namespace
}  // namespace vdinv::protocol
