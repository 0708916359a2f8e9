#include "engine/log_file.h"

#include <gtest/gtest.h>

#include "engine/base_object.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/engine_fixture.h"
#include "support/host_env.h"
#include "support/temp_dir.h"

namespace vdinv::engine {
namespace {

using platform::FileExists;
using platform::FileSize;
using platform::LocalDateTime;
using test::TempDir;
using test::WriteTestFile;

const LocalDateTime kNow{2026, 12, 7, 7, 26, 50, 0};

std::string ReadAll(const std::string& path) {
  return platform::ReadWholeFile(path).value_or("");
}

TEST(LogFileAppend, CreatesTheDirectoryAndAppendsBytesAsTheyAre) {
  TempDir dir;
  LogFile log(dir.File("project/Debug/VD_Inv.Log"));
  log.Append(
      "2026-12-07 07:26:50\xA3\xBA"
      "first\r\n");
  log.Append("second");
  EXPECT_EQ(ReadAll(log.Path()),
            "2026-12-07 07:26:50\xA3\xBA"
            "first\r\nsecond");
}

TEST(LogFileAppend, UnwritablePathLosesTheTextQuietly) {
  TempDir dir;
  WriteTestFile(dir.File("blocker"), "x");  // a file where the directory should be
  LogFile log(dir.File("blocker/Debug/VD_Inv.Log"));
  log.Append("lost");
  log.Maintain(kNow);
  EXPECT_EQ(ReadAll(dir.File("blocker")), "x");
}

class LogFileMaintain : public ::testing::Test {
 protected:
  LogFileMaintain() : log_(dir_.File("VD_Inv.Log")) {}
  std::string Archive(const std::string& stamp) const {
    return dir_.File("VD_Inv" + stamp + ".LOG");
  }

  TempDir dir_;
  LogFile log_;
};

TEST_F(LogFileMaintain, FirstRunOfADayArchivesYesterdaysLog) {
  WriteTestFile(log_.Path(), "yesterday's lines");
  log_.Maintain(kNow);
  EXPECT_EQ(ReadAll(Archive("2026-12-06")), "yesterday's lines");

  // Later runs of the same day leave the running log alone.
  log_.Append("today");
  log_.Maintain(kNow);
  EXPECT_EQ(ReadAll(log_.Path()), "today");
  EXPECT_EQ(ReadAll(Archive("2026-12-06")), "yesterday's lines");
}

TEST_F(LogFileMaintain, MissingLogStillLeavesAnArchiveForYesterday) {
  log_.Maintain(kNow);
  EXPECT_TRUE(FileExists(Archive("2026-12-06")));
  EXPECT_EQ(FileSize(Archive("2026-12-06")), 0);
}

TEST_F(LogFileMaintain, MissingDirectoryIsCreatedSoTodaysLinesStayToday) {
  LogFile nested(dir_.File("Debug/VD_Inv.Log"));
  nested.Maintain(kNow);
  EXPECT_TRUE(FileExists(dir_.File("Debug/VD_Inv2026-12-06.LOG")));
  // The day's lines, written after the first maintenance, survive the next one.
  nested.Append("today");
  nested.Maintain(kNow);
  EXPECT_EQ(ReadAll(nested.Path()), "today");
}

TEST_F(LogFileMaintain, OversizedLogMovesAsideUnderATimeStamp) {
  WriteTestFile(Archive("2026-12-06"), "archived earlier");
  WriteTestFile(log_.Path(), std::string(600000, 'x'));
  log_.Maintain(kNow);
  EXPECT_EQ(FileSize(Archive("2026-12-07-07-26-50")), 600000);
  EXPECT_EQ(ReadAll(Archive("2026-12-06")), "archived earlier");
  EXPECT_LE(FileSize(log_.Path()), 0);  // nothing of the old log is left in the running log

  log_.Append("fresh");
  EXPECT_EQ(ReadAll(log_.Path()), "fresh");
}

TEST_F(LogFileMaintain, LogOfExactlyTheLimitStays) {
  WriteTestFile(Archive("2026-12-06"), "");
  WriteTestFile(log_.Path(), std::string(500000, 'x'));
  log_.Maintain(kNow);
  EXPECT_EQ(FileSize(log_.Path()), 500000);
  EXPECT_FALSE(FileExists(Archive("2026-12-07-07-26-50")));
}

TEST_F(LogFileMaintain, ArchivesOfThirtyToHundredDaysAreDeleted) {
  const char* survivors[] = {"2026-11-08", "2026-08-28", "2026-12-01"};  // 29, 101 and 6 days
  const char* expired[] = {"2026-11-07", "2026-10-01", "2026-08-29"};    // 30, 67 and 100 days
  for (const char* d : survivors) WriteTestFile(Archive(d), d);
  for (const char* d : expired) WriteTestFile(Archive(d), d);
  WriteTestFile(log_.Path(), "running");

  log_.Maintain(kNow);
  for (const char* d : survivors) EXPECT_TRUE(FileExists(Archive(d))) << d;
  for (const char* d : expired) EXPECT_FALSE(FileExists(Archive(d))) << d;
}

TEST(LogFileLines, EveryLineOfATextCarriesTheStamp) {
  const struct {
    std::string text;
    std::string lines;
  } cases[] = {
      {"\xA3\xBAone", "S\xA3\xBAone\r\n"},
      {"", "S\r\n"},
      {"a\r\nb", "Sa\r\nSb\r\n"},
      {"a\nb\rc", "Sa\r\nSb\r\nSc\r\n"},
      {"a\r\n", "Sa\r\n\r\n"},
      {"a\r\n\r\nb", "Sa\r\n\r\nSb\r\n"},
      {"\r\nb", "S\r\nSb\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(StampedLines("S", c.text), c.lines) << c.text;
}

TEST_F(LogFileMaintain, AppendsOfARunningLogArchiveEachDayAndPruneOldArchives) {
  log_.Maintain(kNow);
  log_.Append("first\r\n", kNow);
  log_.Append("last\r\n", LocalDateTime{2026, 12, 7, 23, 59, 59, 999});
  EXPECT_EQ(ReadAll(log_.Path()), "first\r\nlast\r\n");  // one day, one log

  const LocalDateTime nextDay{2026, 12, 8, 0, 0, 0, 1};
  log_.Append("next\r\n", nextDay);
  EXPECT_EQ(ReadAll(Archive("2026-12-07")), "first\r\nlast\r\n");
  EXPECT_EQ(ReadAll(log_.Path()), "next\r\n");

  // Thirty days on, the archive of the first day goes.
  log_.Append("later\r\n", platform::AddDays(nextDay, 29));
  EXPECT_FALSE(FileExists(Archive("2026-12-07")));
  EXPECT_EQ(ReadAll(Archive("2027-01-05")), "next\r\n");
}

TEST_F(LogFileMaintain, ALogOutgrowingItsLimitDuringTheDayMovesAside) {
  log_.Maintain(kNow);
  log_.Append(std::string(500001, 'x'), kNow);
  log_.Append("fresh", LocalDateTime{2026, 12, 7, 7, 26, 51, 0});
  EXPECT_EQ(FileSize(Archive("2026-12-07-07-26-51")), 500001);
  EXPECT_EQ(ReadAll(log_.Path()), "fresh");
}

TEST_F(LogFileMaintain, AnOversizedLogThatCannotMoveAsideIsTriedAgainTheNextSecond) {
  log_.Maintain(kNow);
  log_.Append(std::string(500001, 'x'), kNow);
  WriteTestFile(Archive("2026-12-07-07-26-51"), "taken");
  log_.Append("a", LocalDateTime{2026, 12, 7, 7, 26, 51, 0});
  platform::DeleteFile(Archive("2026-12-07-07-26-51"));
  log_.Append("b", LocalDateTime{2026, 12, 7, 7, 26, 51, 500});
  EXPECT_EQ(FileSize(log_.Path()), 500003);  // not tried again within the second
  log_.Append("c", LocalDateTime{2026, 12, 7, 7, 26, 52, 0});
  EXPECT_EQ(FileSize(Archive("2026-12-07-07-26-52")), 500003);
  EXPECT_EQ(ReadAll(log_.Path()), "c");
}

// A driver object that keeps running past midnight, with a text that spans lines.
class LogFileOfARunningObject : public test::EngineFixture {};

TEST_F(LogFileOfARunningObject, DatesEveryLineAndArchivesYesterdayAtTheDayChange) {
  clock.SetNow({2026, 12, 7, 23, 59, 59, 0});
  TBaseDLLObject object(Environment(), true);
  object.LogLine(platform::Utf8ToGbk("：串口打开\r\n设备参数中的串口设置有误!"));
  EXPECT_NE(LogText().find("2026-12-07 23:59:59：串口打开\r\n"
                           "2026-12-07 23:59:59设备参数中的串口设置有误!\r\n"),
            std::string::npos);

  clock.Advance(2000);
  object.LogLine(platform::Utf8ToGbk("：次日"));
  EXPECT_EQ(LogText(), "2026-12-08 00:00:01：次日\r\n");
  const auto archived = platform::ReadWholeFile(dir.Path() + "Debug/VD_Inv2026-12-07.LOG");
  ASSERT_TRUE(archived);
  EXPECT_NE(platform::GbkToUtf8(*archived).find("设备参数中的串口设置有误!"), std::string::npos);
}

}  // namespace
}  // namespace vdinv::engine
