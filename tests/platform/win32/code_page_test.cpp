#include "platform/win32/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace vdinv::platform::internal {
namespace {

TEST(Win32NearestAscii, KeepsGbkAndReplacesTheRestByTheirNearestAsciiForm) {
  const struct {
    std::wstring wide;
    std::string gbk;
  } cases[] = {
      {L"2026/12/7 7:26:50", "2026/12/7 7:26:50"},
      {L"2026\u5E7412\u67087\u65E5",
       "2026\xC4\xEA"
       "12\xD4\xC2"
       "7\xC8\xD5"},                          // 年 月 日 stay
      {L"\u0662\u0660\u0662\u0666", "2026"},  // Arabic-Indic digits
      {L"\u0E51\u0E52", "12"},                // Thai digits
      {L"7:26\u202FPM", "7:26 PM"},           // narrow no-break space
      {L"\u200F07/12/2026", "07/12/2026"},    // direction mark left out
      {L"\u0151", "o"},                       // a letter with a mark: its base letter
      {L"\u0E01", "?"},                       // no ASCII form at all
      {L"x\U0001F600y", "x?y"},               // beyond the basic plane
  };
  for (const auto& c : cases) EXPECT_EQ(WideToGbkNearestAscii(c.wide), c.gbk);
}

}  // namespace
}  // namespace vdinv::platform::internal
