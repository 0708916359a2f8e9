#include "engine/run_statistics.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace vdinv::engine {
namespace {

std::vector<std::string> Utf8(const std::vector<std::string>& texts) {
  std::vector<std::string> lines;
  for (const std::string& text : texts) lines.push_back(platform::GbkToUtf8(text));
  return lines;
}

TEST(RunStatisticsTest, TheSummaryCountsExchangesTimeOutsAndFailuresWithTheirRates) {
  RunStatistics stats;
  stats.SetStartTick(0xFFFFFF00u);
  for (int i = 0; i < 2; ++i) stats.ReadAnswered();
  stats.ReadTimedOut();
  stats.ReadFailed();
  stats.WriteAnswered();
  stats.WriteAnswered();
  stats.WriteTimedOut();
  stats.WriteFailed();
  stats.WriteFailed();
  EXPECT_EQ(stats.RunTime(0x100u), 0x200u);  // across the tick's wrap
  EXPECT_THAT(Utf8(stats.SummaryTexts(512)),
              testing::ElementsAre(
                  "：本次运行总时间（毫秒）=512", "：读操作失败总次数= 1", "：写操作失败总次数= 2",
                  "：写通讯总次数= 3", "：通讯写超时总次数= 1", "：通讯写超时率= 33.3333333333333%",
                  "：读通讯总次数= 3", "：通讯读超时次数= 1", "：通讯读超时率= 33.3333333333333%"));
}

}  // namespace
}  // namespace vdinv::engine
