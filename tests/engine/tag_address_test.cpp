#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/base_object.h"
#include "platform/text.h"
#include "support/engine_fixture.h"

namespace vdinv::engine {
namespace {

using ::testing::HasSubstr;

constexpr const char* kStamp = "2026-12-07 07:26:50";

class TagAddressTest : public test::EngineFixture {
 protected:
  TagAddressTest() {
    driverInfo[kBitIDName] = platform::Utf8ToGbk("位号");
    driverInfo[kThirdSegIDName] = platform::Utf8ToGbk("第三段");
    driverInfo[kFourSegIDName] = platform::Utf8ToGbk("第四段地址");
    driverInfo[kFiveSegIDName] = platform::Utf8ToGbk("第五段地址");
  }

  // An engine object on a block with both log switches on; later log text is Written().
  std::unique_ptr<TBaseDLLObject> Object(TDevParmBlock block, bool trace = true,
                                         bool errors = true) {
    block.EnTraceLog = trace ? 1 : 0;
    block.EnErrorLog = errors ? 1 : 0;
    auto object = std::make_unique<TBaseDLLObject>(Environment(), true);
    EXPECT_TRUE(object->IniParm(&block));
    mark_ = LogText().size();
    return object;
  }
  std::unique_ptr<TBaseDLLObject> Object() { return Object(Block({{1, kModelG11S}})); }

  // A switch tag (no default bit number) named T1 with the address, as the table builds it.
  static std::unique_ptr<TTagItem> Parse(TBaseDLLObject& object, const std::string& address) {
    return object.CreatInternalTag(Tag(1, "T1", address, kSwitch));
  }
  // The same with an address of raw GBK bytes.
  static std::unique_ptr<TTagItem> ParseBytes(TBaseDLLObject& object, const std::string& bytes) {
    TTagInfo info = Tag(1, "T1", "", kSwitch);
    std::memcpy(info.TagAddr, bytes.data(), std::min(bytes.size(), sizeof info.TagAddr));
    return object.CreatInternalTag(info);
  }
  // Parsed and checked: null when rejected.
  static std::unique_ptr<TTagItem> Check(TBaseDLLObject& object, const std::string& address) {
    std::unique_ptr<TTagItem> tag = Parse(object, address);
    object.CheckAddrValid(tag);
    return tag;
  }
  // What was logged since Object() (UTF-8).
  std::string Written() const { return LogText().substr(mark_); }
  static std::string Line(const std::string& text) { return std::string(kStamp) + text + "\r\n"; }
  static std::string DevMsg(const TBaseDLLObject& object) {
    return platform::GbkToUtf8(object.DevMsg());
  }
  // The two lines of a rejection after the composed message.
  static std::string Rejection(const std::string& message) {
    return std::string(kStamp) + message + "\r\n" +
           Line("：标签T1错误报告：由于出现错误，系统在通讯时丢弃该标签！");
  }

  size_t mark_ = 0;
};

struct Parsed {
  int32_t type, dev, model, ch, bit, third, four, five;
};

void ExpectParsed(const TTagItem& tag, const Parsed& p) {
  EXPECT_EQ(tag.TypeIndex, p.type) << tag.TagAddr;
  EXPECT_EQ(tag.DevID, p.dev) << tag.TagAddr;
  EXPECT_EQ(tag.Model, p.model) << tag.TagAddr;
  EXPECT_EQ(tag.ChID, p.ch) << tag.TagAddr;
  EXPECT_EQ(tag.BitID, p.bit) << tag.TagAddr;
  EXPECT_EQ(tag.ThirdSegID, p.third) << tag.TagAddr;
  EXPECT_EQ(tag.FourSegID, p.four) << tag.TagAddr;
  EXPECT_EQ(tag.FiveSegID, p.five) << tag.TagAddr;
}

TEST_F(TagAddressTest, FullAddressesAreParsedAndKeptQuietly) {
  auto object = Object();
  for (const char* address : {"F1:5", "f1：5", "F1:5.", "F+1:+5"}) {
    auto tag = Check(*object, address);
    ASSERT_NE(tag, nullptr) << address;
    ExpectParsed(*tag, {0, 1, kModelG11S, 5, -1, 0, 0, 0});
    EXPECT_EQ(tag->TypeText, "F");
    EXPECT_TRUE(tag->Writable);
    EXPECT_EQ(object->DevMsg(), "");
  }
  EXPECT_EQ(Written(), "");

  auto segments = Check(*object, "F1:5.0.7.8.9");
  ASSERT_NE(segments, nullptr);
  ExpectParsed(*segments, {0, 1, kModelG11S, 5, -1, 7, 8, 9});
  // Full-width dots separate like ASCII ones.
  auto fullWidth = Check(*object, "F1:5。0。7");
  ASSERT_NE(fullWidth, nullptr);
  ExpectParsed(*fullWidth, {0, 1, kModelG11S, 5, -1, 7, 0, 0});

  auto m = Check(*object, "m1:48");
  ASSERT_NE(m, nullptr);
  EXPECT_FALSE(m->Writable);
}

TEST_F(TagAddressTest, MissingPartsTakeDefaultsWithHintsWhenTracing) {
  auto object = Object(Block({{3, kModelG11S}, {1, kModelP11S}}));
  auto f5 = Check(*object, "F5");
  ASSERT_NE(f5, nullptr);
  ExpectParsed(*f5, {0, 1, kModelP11S, 5, -1, 0, 0, 0});
  auto f1 = Check(*object, "F1:");
  ASSERT_NE(f1, nullptr);
  EXPECT_EQ(f1->ChID, 0);
  EXPECT_EQ(Written(), Line("：标签T1提示：地址=F5中缺少设备号，系统采用缺省值1") +
                           Line("：标签T1提示：地址=F1:中缺少通道地址，系统采用缺省值0"));

  auto quiet = Object(Block({{3, kModelG11S}}), false, true);
  auto tag = Check(*quiet, "F5");
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->DevID, 3);
  EXPECT_EQ(Written(), "");
}

TEST_F(TagAddressTest, CommErrHasNoChannel) {
  auto object = Object(Block({{3, kModelG11S}}));
  auto tag = Check(*object, "CommErr3:");
  ASSERT_NE(tag, nullptr);
  ExpectParsed(*tag, {9, 3, kModelG11S, -1, -1, 0, 0, 0});
  EXPECT_EQ(tag->TypeText, "COMMERR");
  EXPECT_FALSE(tag->Writable);
  EXPECT_EQ(Written(), "");
}

TEST_F(TagAddressTest, RejectedAddressesGetTheirMessage) {
  struct Case {
    const char* address;
    const char* parserError;  // written first when the error log is on
    const char* message;
  };
  const Case cases[] = {
      {"F1:.3", "：标签T1错误：标签地址F1:.3的通道地址非法。",
       "：标签T1错误：标签地址F1:.3通道地址错误，G11S不存在此标签。"},
      {"F1:43", "", "：标签T1错误：标签地址F1:43的通道地址超出G11S的最大范围42"},
      {"H1:2", "", "：标签T1错误：标签地址H1:2的通道地址超出G11S的最小范围3"},
      {"F1:-2", "", "：标签T1错误：标签地址F1:-2的通道地址超出G11S的最小范围0"},
      {"X1:2", "", "：标签T1错误：标签地址X1:2指定不存在的标签类型。"},
      {"F7:5", "",
       "：标签T1错误：标签地址F7:5所指定的0007号变频器不存在。请在设备向导中添加该变频器！\r\n"},
      {"F:5", "：标签T1错误：标签地址F:5中设备号非法。",
       "：标签T1错误：标签地址F:5所指定的-0001号变频器不存在。请在设备向导中添加该变频器！\r\n"},
      // A device number beyond the table is no device, never an entry past its end.
      {"F150:5", "",
       "：标签T1错误：标签地址F150:5所指定的0150号变频器不存在。请在设备向导中添加该变频器！\r\n"},
      {"F1:2147483648", "：标签T1错误：标签地址F1:2147483648的通道地址非法。",
       "：标签T1错误：标签地址F1:2147483648通道地址错误，G11S不存在此标签。"},
      {"F1: 5", "：标签T1错误：标签地址F1: 5的通道地址非法。",
       "：标签T1错误：标签地址F1: 5通道地址错误，G11S不存在此标签。"},
      {"F1:+-5", "：标签T1错误：标签地址F1:+-5的通道地址非法。",
       "：标签T1错误：标签地址F1:+-5通道地址错误，G11S不存在此标签。"},
  };
  for (const Case& c : cases) {
    auto object = Object();
    EXPECT_EQ(Check(*object, c.address), nullptr) << c.address;
    EXPECT_EQ(DevMsg(*object), kStamp + std::string(c.message)) << c.address;
    std::string expected = Rejection(c.message);
    if (*c.parserError) expected = Line(c.parserError) + expected;
    EXPECT_EQ(Written(), expected) << c.address;
  }
}

TEST_F(TagAddressTest, RejectionLinesIgnoreTheLogSwitches) {
  auto object = Object(Block({{1, kModelG11S}}), false, false);
  EXPECT_EQ(Check(*object, "F1:.3"), nullptr);
  EXPECT_EQ(Written(), Rejection("：标签T1错误：标签地址F1:.3通道地址错误，G11S不存在此标签。"));
}

TEST_F(TagAddressTest, UnknownTypeMakesEveryParserFail) {
  auto object = Object();
  auto tag = Parse(*object, "X1:2");
  ExpectParsed(*tag, {-1, -1, kModelNone, -1, -1, -1, -1, -1});
  EXPECT_EQ(tag->TypeText, "");
  EXPECT_FALSE(tag->Writable);
  EXPECT_EQ(Written(), "");
}

TEST_F(TagAddressTest, AnIllegalSegmentStillLeavesTheTagServable) {
  auto object = Object();
  auto tag = Check(*object, "F1:5.0.7.x");
  ASSERT_NE(tag, nullptr);
  ExpectParsed(*tag, {0, 1, kModelG11S, 5, -1, 7, -1, 0});
  EXPECT_EQ(Written(), Line("：标签T1错误：标签地址F1:5.0.7.x的第四段地址非法。"));
}

TEST_F(TagAddressTest, WithoutDevicesTheDefaultDeviceIs99) {
  auto object = Object(Block({}));
  EXPECT_EQ(object->DefaultDevID(), 99);
  auto tag = Parse(*object, "F5");
  ExpectParsed(*tag, {0, 99, kModelNone, -1, -1, -1, -1, -1});
  object->CheckAddrValid(tag);
  EXPECT_EQ(tag, nullptr);
  EXPECT_THAT(DevMsg(*object), HasSubstr("所指定的0099号变频器不存在。"));
}

TEST_F(TagAddressTest, TheLongestPrefixWins) {
  auto object = Object();
  const std::string none;
  EXPECT_EQ(object->GetTagTypeIndex(none, "CommErr1:"), 9);
  EXPECT_EQ(object->GetTagTypeIndex(none, "COMMERR"), 9);
  EXPECT_EQ(object->GetTagTypeIndex(none, "commErr1:"), 9);
  EXPECT_EQ(object->GetTagTypeIndex(none, "Comm1:"), 2);
  EXPECT_EQ(object->GetTagTypeIndex(none, "c1:1"), 2);
  EXPECT_EQ(object->GetTagTypeIndex(none, "s1:1"), 7);
  EXPECT_EQ(object->GetTagTypeIndex(none, ""), -1);
  EXPECT_EQ(object->GetTagTypeIndex(none, " F1:1"), -1);
  std::string text = "stale";
  object->GetTagTypeStr(none, "commerr2:", text);
  EXPECT_EQ(text, "COMMERR");
  object->GetTagTypeStr(none, "Q2:", text);
  EXPECT_EQ(text, "");
}

TEST_F(TagAddressTest, NoParserReadsPastTheAddress) {
  auto object = Object();
  // A full-width colon cut in half at the end is just a byte.
  auto half = ParseBytes(*object, "F1:5\xA3");
  EXPECT_EQ(half->ChID, -1);
  auto halfColon = ParseBytes(*object, "F1\xA3");
  EXPECT_EQ(halfColon->DevID, 1);  // no colon: the default device
  EXPECT_EQ(halfColon->ChID, -1);

  // An address filling its whole field, without a terminating zero.
  TTagInfo full = Tag(1, "T1", "", kSwitch);
  std::string text = "F1:" + std::string(60, '0') + "4";
  ASSERT_EQ(text.size(), sizeof full.TagAddr);
  std::memcpy(full.TagAddr, text.data(), text.size());
  std::memset(full.TagName, 'N', sizeof full.TagName);
  auto tag = object->CreatInternalTag(full);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->TagAddr, text);
  EXPECT_EQ(tag->TagName, std::string(32, 'N'));
  EXPECT_EQ(tag->ChID, 4);
}

TEST_F(TagAddressTest, ModelOfNeverLeavesTheDeviceTable) {
  TDevParmBlock block = Block({{0, kModelP11S}, {99, kModelG11S}});
  block.Devices[5].Model = 7;  // not a model code
  EXPECT_EQ(TBaseDLLObject::ModelOf(block, 0), kModelP11S);
  EXPECT_EQ(TBaseDLLObject::ModelOf(block, 99), kModelG11S);
  EXPECT_EQ(TBaseDLLObject::ModelOf(block, 5), kModelNone);
  EXPECT_EQ(TBaseDLLObject::ModelOf(block, 1), kModelNone);
  EXPECT_EQ(TBaseDLLObject::ModelOf(block, -1), kModelNone);
  EXPECT_EQ(TBaseDLLObject::ModelOf(block, 100), kModelNone);
}

TEST(TagAddressNumber, TheWholeSignedRangeAndNothingBeyond) {
  int32_t n = 0;
  EXPECT_TRUE(TBaseDLLObject::AddressNumber("-2147483648", n));
  EXPECT_EQ(n, INT32_MIN);
  EXPECT_TRUE(TBaseDLLObject::AddressNumber("+2147483647", n));
  EXPECT_EQ(n, INT32_MAX);
  for (const char* bad : {"", "+", "-", "-2147483649", "99999999999999999999", "5 ", "0x10"}) {
    EXPECT_FALSE(TBaseDLLObject::AddressNumber(bad, n)) << bad;
  }
}

}  // namespace
}  // namespace vdinv::engine
