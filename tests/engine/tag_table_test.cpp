#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base_object.h"
#include "platform/text.h"
#include "support/engine_fixture.h"

namespace vdinv::engine {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class TagTableTest : public test::EngineFixture {
 protected:
  static TagInfoList List(const std::vector<TTagInfo>& infos) {
    TagInfoList list;
    for (const TTagInfo& info : infos) list.push_back(&info);
    return list;
  }
};

TEST_F(TagTableTest, CheckTagAddrWritesTheNormalForm) {
  TBaseDLLObject object(Environment(), true);
  TDevParmBlock own = Block({{2, kModelG11S}});
  ASSERT_TRUE(object.IniParm(&own));
  TDevParmBlock block = Block({{1, kModelG11S}, {3, kModelP11S}});
  struct Case {
    const char* typed;
    const char* normal;
    bool found;
  };
  const Case cases[] = {
      {"F1:5", "F1:5.-1", true},     {"f1：5", "F1:5.-1", true},
      {"h3:10.4", "H3:10.-1", true}, {"CommErr3:", "COMMERR3:-1.-1", true},
      {"F5", "F2:-1.-1", true},    // the object's default device, absent from the block
      {"F7:5", "F7:-1.-1", true},  // no such device: no channel
      {"F1:", "F1:0.-1", true},      {"F:5", "F-1:-1.-1", true},
      {"X1:2", "F-1:-1.-1", false},  {"", "F-1:-1.-1", false},
  };
  for (const Case& c : cases) {
    std::string address = platform::Utf8ToGbk(c.typed);
    EXPECT_EQ(object.CheckTagAddr(&block, address), c.found) << c.typed;
    EXPECT_EQ(address, c.normal) << c.typed;
    // The normal form is its own normal form.
    std::string again = address;
    EXPECT_TRUE(object.CheckTagAddr(&block, again));
    EXPECT_EQ(again, address);
  }
  std::string untouched = "F1:5";
  EXPECT_FALSE(object.CheckTagAddr(nullptr, untouched));
  EXPECT_EQ(untouched, "F1:5");
}

TEST_F(TagTableTest, IniTagListKeepsValidAddressesOnly) {
  TBaseDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{1, kModelG11S}});
  std::vector<TTagInfo> tags = {
      Tag(0, "a", "F1:5", kAnalog),       Tag(1, "b", "X1:2", kAnalog),
      Tag(2, "c", "F7:5", kAnalog),       Tag(3, "d", "E1:1", kSwitch),
      Tag(4, "e", "DEVICELINK", kAnalog), Tag(5, "f", "ENDEVICELINK", kSwitch)};
  ASSERT_TRUE(object.IniDLLObj(&block, List(tags)));
  ASSERT_EQ(object.TagCount(), 4);
  const auto& t = object.Tags();
  EXPECT_EQ(t[0]->TagName, "a");
  EXPECT_EQ(t[1]->TagName, "d");
  EXPECT_EQ(t[1]->ListIndex, 1);
  // A status tag without a device number stands for device 0.
  EXPECT_EQ(t[2]->DevID, 0);
  EXPECT_EQ(t[3]->DevID, 0);
  EXPECT_EQ(object.TagById(3), t[1].get());
  EXPECT_EQ(object.TagById(1), nullptr);
  EXPECT_EQ(object.TagById(2), nullptr);
  std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("：标签b错误报告：由于出现错误，系统在通讯时丢弃该标签！\r\n"));
  EXPECT_THAT(log, HasSubstr("：标签c错误报告：由于出现错误，系统在通讯时丢弃该标签！\r\n"));
}

TEST_F(TagTableTest, AddTagListsReportsEachTagAndAppends) {
  TBaseDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{1, kModelG11S}});
  ASSERT_TRUE(object.IniDLLObj(&block, List({Tag(10, "a", "F1:5", kAnalog)})));

  std::vector<TTagInfo> more = {Tag(20, "b", "X1:2", kAnalog), Tag(21, "c", "E1:2", kAnalog),
                                Tag(22, "d", "commlink", kString),
                                Tag(23, "e", "DEVICELINK1", kAnalog)};
  std::vector<int32_t> results = {9};
  EXPECT_EQ(object.AddTagLists(List(more), results), 1);
  EXPECT_THAT(results, ElementsAre(1, 0, 0, 1));  // DEVICELINK is not recognised here
  ASSERT_EQ(object.TagCount(), 3);
  const auto& t = object.Tags();
  EXPECT_EQ(t[1]->TagName, "c");
  EXPECT_EQ(t[1]->ListIndex, 1);
  EXPECT_EQ(t[2]->ListIndex, 2);
  EXPECT_TRUE(t[2]->IsInternal);
  EXPECT_EQ(t[2]->TypeText, "COMMLINK");
  // No values are set for the status tags recognised here.
  EXPECT_EQ(t[2]->Value, TagValue::String(""));
  EXPECT_EQ(object.TagById(21), t[1].get());
  EXPECT_EQ(object.TagById(10), t[0].get());

  results.clear();
  EXPECT_EQ(object.AddTagLists(List({Tag(30, "f", "F1:6", kAnalog)}), results), 0);
  EXPECT_THAT(results, ElementsAre(0));
  EXPECT_EQ(object.TagCount(), 4);
}

TEST_F(TagTableTest, AddTagListsStartsATableAndRecognisesEnLog) {
  TBaseDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{1, kModelG11S}});
  ASSERT_TRUE(object.IniParm(&block));
  std::vector<int32_t> results;
  EXPECT_EQ(
      object.AddTagLists(
          List({Tag(0, "log", "EnLog", kSwitch), Tag(1, "on", "ENCOMMLINK", kSwitch)}), results),
      0);
  EXPECT_THAT(results, ElementsAre(0, 0));
  EXPECT_TRUE(object.Running());
  EXPECT_EQ(object.TagCount(), 2);
  EXPECT_TRUE(object.Tags()[0]->IsInternal);
  EXPECT_EQ(object.Tags()[0]->TypeText, "ENLOG");
  EXPECT_TRUE(object.Tags()[0]->Writable);
  // The ENLOG tag leaves the log switched on after the table is refreshed.
  EXPECT_TRUE(object.EnLog());
}

TEST_F(TagTableTest, AddTagListsWithNothingValidStops) {
  TBaseDLLObject object(Environment(), true);
  TDevParmBlock block = Block({{1, kModelG11S}});
  ASSERT_TRUE(object.IniParm(&block));
  std::vector<int32_t> results;
  EXPECT_EQ(object.AddTagLists(List({Tag(0, "x", "X1:1", kAnalog)}), results), 1);
  EXPECT_THAT(results, ElementsAre(1));
  EXPECT_EQ(object.TagCount(), 0);
  EXPECT_FALSE(object.Running());
  EXPECT_TRUE(object.Stopped());
  // A null entry is a dropped tag.
  EXPECT_EQ(object.AddTagLists({nullptr}, results), 1);
  EXPECT_THAT(results, ElementsAre(1));
}

}  // namespace
}  // namespace vdinv::engine
