#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace vdinv::platform {
namespace {

TEST(PlatformGbk, FullWidthSeparators) {
  EXPECT_EQ(Utf8ToGbk("："), "\xA3\xBA");
  EXPECT_EQ(Utf8ToGbk("。"), "\xA1\xA3");
  EXPECT_EQ(GbkToUtf8("\xA3\xBA"), "：");
  EXPECT_EQ(GbkToUtf8("\xA1\xA3"), "。");
}

TEST(PlatformGbk, RoundTrips) {
  const std::string gbk = "\xCD\xA8\xD1\xB6\xD5\xFD\xB3\xA3!";
  EXPECT_EQ(Utf8ToGbk("通讯正常!"), gbk);
  EXPECT_EQ(GbkToUtf8(gbk), "通讯正常!");
  EXPECT_EQ(Utf8ToGbk("富士变频器"), "\xB8\xBB\xCA\xBF\xB1\xE4\xC6\xB5\xC6\xF7");
  for (const char* text : {"", "ascii only 123", "通道地址：1。2", "€", "设备号\r\n"}) {
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk(text)), text);
  }
}

TEST(PlatformGbk, LongTextsAreConvertedWhole) {
  std::string utf8;
  for (int i = 0; i < 3000; ++i) utf8 += "通a";
  const std::string gbk = Utf8ToGbk(utf8);
  EXPECT_EQ(gbk.size(), 9000U);
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
}

TEST(PlatformGbk, UnmappableAndInvalidUtf8BecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80z"), "a?z");      // 😀 has no GBK form
  EXPECT_EQ(Utf8ToGbk("a\xFF\xFEz"), "a??z");             // invalid bytes
  EXPECT_EQ(Utf8ToGbk("\xE9\x80\x9A\xE9"), "\xCD\xA8?");  // cut sequence at the end
  EXPECT_EQ(Utf8ToGbk("\xC0\xAF"), "??");                 // overlong form
  EXPECT_EQ(Utf8ToGbk(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(PlatformGbk, InvalidGbkBecomesReplacementCharacter) {
  EXPECT_EQ(GbkToUtf8("a\xFF"
                      "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(GbkToUtf8("ab\x81"), "ab\xEF\xBF\xBD");  // lead byte without trail at the end
  // A lead byte followed by ASCII: only the lead byte is lost.
  EXPECT_EQ(GbkToUtf8("\x81"
                      " \xCD\xA8"),
            "\xEF\xBF\xBD"
            " 通");
  EXPECT_EQ(GbkToUtf8("\x81"
                      "A"),
            "丄");  // 81 41 is a character
}

TEST(PlatformGbk, Utf16ToGbk) {
  EXPECT_EQ(Utf16ToGbk(u"通讯正常!"), "\xCD\xA8\xD1\xB6\xD5\xFD\xB3\xA3!");
  EXPECT_EQ(Utf16ToGbk(u""), "");
  EXPECT_EQ(Utf16ToGbk(u"：。"), "\xA3\xBA\xA1\xA3");
  const char16_t unpaired[] = {u'a', 0xD800, u'b', 0xDC00, 0};
  EXPECT_EQ(Utf16ToGbk(unpaired), "a?b?");
  EXPECT_EQ(Utf16ToGbk(u"x\U0001F600y"), "x?y");  // a pair without GBK form
}

TEST(PlatformText, IsValidUtf8) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("ascii"));
  EXPECT_TRUE(IsValidUtf8("富士变频器"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xB8\xBB\xCA\xBF"));  // GBK
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE9\x80"));          // cut
}

TEST(PlatformText, EnvironmentIsSetReadAndRemoved) {
  EXPECT_TRUE(SetEnvironment("VDINV_PLATFORM_TEST_VAR", "value"));
  EXPECT_EQ(GetEnvironment("VDINV_PLATFORM_TEST_VAR"), "value");
  EXPECT_TRUE(UnsetEnvironment("VDINV_PLATFORM_TEST_VAR"));
  EXPECT_EQ(GetEnvironment("VDINV_PLATFORM_TEST_VAR"), "");
  EXPECT_TRUE(UnsetEnvironment("VDINV_PLATFORM_TEST_VAR"));  // removing it twice is no failure
  EXPECT_EQ(GetEnvironment(nullptr), "");
}

}  // namespace
}  // namespace vdinv::platform
