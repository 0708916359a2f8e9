#include "engine/tag_records.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"

namespace vdinv::engine {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class TagRecordsTest : public ::testing::Test {
 protected:
  TTagItem& Add(uint32_t id, bool status = false) {
    auto tag = std::make_unique<TTagItem>();
    tag->TagID = id;
    return table.Append(std::move(tag), status);
  }
  // Identifiers of the tags a report hands over.
  std::vector<uint32_t> Report(size_t limit, uint32_t now = 0) {
    std::vector<uint32_t> ids;
    table.ReportChanged(limit, now, [&](const TTagItem& tag) { ids.push_back(tag.TagID); });
    return ids;
  }
  // Changes a tag's value and touches it.
  void Change(TTagItem& tag, int value) {
    tag.Value = TagValue::Integer(value);
    table.Touch(tag);
  }

  TagRecords table;
};

TEST_F(TagRecordsTest, AReportHandsOverChangedTouchedTagsOnceInTableOrder) {
  TTagItem& a = Add(1);
  TTagItem& b = Add(2);
  TTagItem& c = Add(3);
  Change(c, 5);
  Change(a, 5);
  Change(a, 6);
  table.Touch(b);     // touched but unchanged
  TTagItem stranger;  // not the table's: touching it changes nothing
  stranger.Value = TagValue::Integer(9);
  table.Touch(stranger);
  // A tag beyond the reported part waits for a report that reaches it.
  EXPECT_THAT(Report(2, 77), ElementsAre(1u));
  EXPECT_THAT(Report(3, 77), ElementsAre(3u));
  EXPECT_EQ(a.ReportedValue, TagValue::Integer(6));
  EXPECT_EQ(a.LastReportTick, 77u);
  EXPECT_THAT(Report(3), IsEmpty());
}

TEST_F(TagRecordsTest, TheRunReportHasALinePerTagWithRoundedRates) {
  TTagItem& read = Add(1);
  read.TagName = "a";
  read.ReadCount = 3;
  read.ReadFailCount = 2;
  TTagItem& written = Add(2);
  written.TagName = "b";
  written.Writable = true;
  written.WriteCount = 3;
  written.WriteFailCount = 1;
  std::vector<std::string> lines;
  for (const std::string& text : table.ReportTexts(1000)) {
    lines.push_back(platform::GbkToUtf8(text));
  }
  EXPECT_THAT(lines, ElementsAre("：标签a，地址=，读扫描周期(毫秒)=333，读操作失败率= 67%",
                                 "：标签b，地址=，读扫描周期(毫秒)=0，读操作失败率= 0%"
                                 "，写操作总次数=3，写操作失败率= 33%"));
}

}  // namespace
}  // namespace vdinv::engine
