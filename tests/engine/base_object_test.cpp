#include "engine/base_object.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/process_values.h"
#include "platform/text.h"
#include "protocol/dll_object.h"
#include "support/engine_fixture.h"

namespace vdinv::engine {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class BaseObjectTest : public test::EngineFixture {
 protected:
  static size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  bool Init(TBaseDLLObject& object, const TDevParmBlock& block,
            const std::vector<TTagInfo>& infos) {
    TagInfoList list;
    for (const TTagInfo& info : infos) list.push_back(&info);
    return object.IniDLLObj(&block, list);
  }
};

TEST_F(BaseObjectTest, ConstructionRotatesTheLogAndWritesTheBanner) {
  TBaseDLLObject object(Environment(), true);
  EXPECT_TRUE(object.LogReady());
  EXPECT_EQ(object.ScanTime(), 500);
  EXPECT_TRUE(object.EnLog());
  std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("2026-12-07 07:26:50：启动驱动程序富士变频器  ...\r\n"));
  EXPECT_THAT(log, HasSubstr("：驱动程序版本4.7.1.1  ...\r\n"));
  EXPECT_THAT(log, HasSubstr("：启动监控主机[文件版本6.0.0.1]  ...\r\n"));
  EXPECT_THAT(log, HasSubstr("：已使用内存 = "));
  // The banner lands in the fresh log, and a further object adds its own.
  TBaseDLLObject second(Environment(), false);
  EXPECT_EQ(Count(LogText(), "：启动驱动程序"), 2u);
}

TEST_F(BaseObjectTest, SetEnLogNeedsAWrittenBanner) {
  TBaseDLLObject object(Environment(), true);
  object.SetEnLog(false);
  EXPECT_FALSE(object.EnLog());
  object.SetEnLog(true);
  EXPECT_TRUE(object.EnLog());
}

TEST_F(BaseObjectTest, DefaultDeviceIsTheSmallestConfiguredOne) {
  TBaseDLLObject none(Environment(), true);
  TDevParmBlock empty = Block({});
  EXPECT_TRUE(none.IniParm(&empty));
  EXPECT_EQ(none.DefaultDevID(), 99);
  EXPECT_TRUE(none.ParmLoaded());
  EXPECT_FALSE(none.IniParm(nullptr));

  TBaseDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{5, kModelP11S}, {3, kModelG11S}});
  block.EnDebug = 1;
  EXPECT_TRUE(object.IniParm(&block));
  EXPECT_EQ(object.DefaultDevID(), 3);
  std::string log = LogText();
  size_t three = log.find("：工程中存在0003号变频器：G11S\r\n");
  size_t five = log.find("：工程中存在0005号变频器：P11S\r\n");
  ASSERT_NE(three, std::string::npos);
  ASSERT_NE(five, std::string::npos);
  EXPECT_LT(three, five);
  EXPECT_EQ(Count(log, "工程中存在"), 2u);
}

TEST_F(BaseObjectTest, StatusTagsGetTheirInitialValues) {
  protocol::TDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{7, kModelG11S}});
  std::vector<TTagInfo> tags = {
      Tag(0, "line", "commlink", kString),        Tag(1, "on", "ENCOMMLINK", kSwitch),
      Tag(2, "dev7", "DEVICELINK7", kString),     Tag(3, "dev7b", "DEVICELINK7:x", kAnalog),
      Tag(4, "dev7c", "DEVICELINK7：x", kAnalog), Tag(5, "far", "DEVICELINK150", kAnalog),
      Tag(6, "en12", "ENDEVICELINK12", kSwitch),  Tag(1000, "text", "ENCOMMLINK", kString),
  };
  ASSERT_TRUE(Init(object, block, tags));
  ASSERT_EQ(object.TagCount(), 8);
  const auto& t = object.Tags();
  EXPECT_EQ(platform::GbkToUtf8(t[0]->Value.AsString()), "富士变频器通讯始终不成功!");
  EXPECT_EQ(t[0]->TypeText, "COMMLINK");
  EXPECT_TRUE(t[0]->IsInternal);
  EXPECT_FALSE(t[0]->Writable);
  EXPECT_EQ(t[1]->Value, TagValue::Boolean(true));
  EXPECT_EQ(platform::GbkToUtf8(t[2]->Value.AsString()), "7号变频器G11S通讯始终不成功!");
  EXPECT_EQ(t[2]->DevID, 7);
  EXPECT_EQ(t[3]->DevID, 7);
  EXPECT_EQ(t[4]->DevID, 7);
  EXPECT_EQ(t[5]->DevID, 0);
  EXPECT_EQ(t[6]->DevID, 12);
  EXPECT_EQ(platform::GbkToUtf8(t[7]->Value.AsString()), "富士变频器打开通信线路");
  // Reported values stay those of creation, so changed status tags are reported first.
  EXPECT_EQ(t[0]->ReportedValue, TagValue::String(""));
  EXPECT_EQ(object.TagById(1000), t[7].get());
  EXPECT_EQ(object.TagById(999), nullptr);
  EXPECT_EQ(object.ScanTime(), 10);
}

TEST_F(BaseObjectTest, NoValidTagStopsTheEngineWithItsMessage) {
  protocol::TDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{1, kModelG11S}});
  ASSERT_FALSE(Init(object, block, {}));
  EXPECT_EQ(platform::GbkToUtf8(object.sErrEvent()), "驱动程序加载失败：无合法标签！\r\n");
  EXPECT_THAT(LogText(), HasSubstr("：驱动程序加载失败：无合法标签！\r\n"));
  EXPECT_EQ(object.TagCount(), 0);
  EXPECT_TRUE(object.Stopped());
  EXPECT_FALSE(object.Running());
  // Before any table was built the scan time is the constructor's.
  EXPECT_EQ(object.ScanTime(), 500);
}

TEST_F(BaseObjectTest, StopWritesTheRunReportOnce) {
  TDevParmBlock block = Block({{1, kModelG11S}});
  {
    protocol::TDLLObject object(Environment(), true);
    ASSERT_TRUE(Init(object, block, {Tag(0, "Line", "COMMLINK", kAnalog)}));
    clock.Advance(5000);
    object.Stop();
    EXPECT_TRUE(object.Stopped());
    object.Stop();  // not running: nothing more
  }                 // destruction after Stop does not stop again
  std::string log = LogText();
  EXPECT_THAT(log,
              HasSubstr("：标签Line，地址=COMMLINK，读扫描周期(毫秒)=0，读操作失败率= 0%\r\n"));
  EXPECT_THAT(log, HasSubstr("\r\n2026-12-07 07:26:55：本次运行总时间（毫秒）=5000\r\n"));
  EXPECT_THAT(log, HasSubstr("：通讯读超时率= 0%\r\n"));
  EXPECT_THAT(log, HasSubstr("：富士变频器驱动程序版本4.7.1.1退出运行！\r\n" +
                             std::string(60, '-') + "\r\n"));
  EXPECT_THAT(log, HasSubstr("：有效标签个数共计=1\r\n"));
  EXPECT_EQ(Count(log, "退出运行！"), 1u);
}

TEST_F(BaseObjectTest, ReinitialisingARunningObjectStopsItFirst) {
  protocol::TDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{1, kModelG11S}});
  ASSERT_TRUE(Init(object, block, {Tag(0, "a", "COMMLINK", kAnalog)}));
  ASSERT_TRUE(Init(object, block, {Tag(0, "a", "COMMLINK", kAnalog)}));
  EXPECT_EQ(Count(LogText(), "退出运行！"), 1u);
  EXPECT_TRUE(object.Running());
}

TEST_F(BaseObjectTest, TheProtocolLayerClampsTheProcessTimeOut) {
  protocol::TDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{1, kModelG11S}});
  for (auto [stored, expected] : {std::pair<uint16_t, uint32_t>{5, 10},
                                  {65535, 60000},
                                  {10, 10},
                                  {60000, 60000},
                                  {1000, 1000}}) {
    block.OutTime = stored;
    block.WCount = 7;
    ASSERT_TRUE(object.IniParm(&block));
    EXPECT_EQ(ProcessOutTime(), expected);
    EXPECT_EQ(ProcessWCount(), 7);
  }
  EXPECT_THAT(LogText(), HasSubstr("：通讯最大允许超时时间=60000\r\n"));
  SetProcessOutTime(kInitialOutTime);
  SetProcessWCount(kInitialWCount);
}

// A hook that fails shows the guard at work: the method's exception line, its failure value.
class FailingObject : public protocol::TDLLObject {
 public:
  using TDLLObject::TDLLObject;
  bool TypeNeedsReadCommand(int32_t) const override { throw std::runtime_error("boom"); }
  void ParseTagAddress(TTagItem& tag) override {
    TDLLObject::ParseTagAddress(tag);
    if (tag.TagAddr == "BAD") throw std::runtime_error("bad");
  }
};

TEST_F(BaseObjectTest, ExceptionsAreLoggedWhenTheErrorLogIsOn) {
  TDevParmBlock block = Block({{1, kModelG11S}});
  block.EnErrorLog = 1;
  {
    FailingObject object(Environment(), true);
    // The failing tag is dropped, the ordinary one kept although its read hook fails.
    ASSERT_TRUE(
        Init(object, block, {Tag(0, "bad", "BAD", kAnalog), Tag(1, "ok", "COMMLINK", kAnalog)}));
    EXPECT_EQ(object.TagCount(), 1);
  }
  std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("：TBaseDLLObject.CreatInternalTag异常！\r\n"));
  EXPECT_THAT(log, Not(HasSubstr("Refresh异常")));  // status tags need no read command

  block.EnErrorLog = 0;
  FailingObject quiet(Environment(), true);
  ASSERT_TRUE(Init(quiet, block, {Tag(0, "bad", "BAD", kAnalog), Tag(1, "ok", "COMMLINK", 0)}));
  EXPECT_EQ(Count(LogText(), "异常！"), 1u);
}

TEST_F(BaseObjectTest, MidnightStampsCarryTheDateOnly) {
  clock.SetNow({2026, 12, 8, 0, 0, 0, 0});
  TBaseDLLObject object(Environment(), true);
  object.LogLine(platform::Utf8ToGbk("：x"));
  EXPECT_THAT(LogText(), HasSubstr("\r\n2026-12-08：x\r\n"));
}

}  // namespace
}  // namespace vdinv::engine
