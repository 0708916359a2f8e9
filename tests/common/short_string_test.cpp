#include "common/short_string.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/ole_variant.h"
#include "platform/text.h"

namespace vdinv {
namespace {

TEST(GbkText, CutsNeverSplitADoubleByteCharacter) {
  std::string text = "A" + platform::Utf8ToGbk("通讯");  // 1 + 2 + 2 bytes
  EXPECT_EQ(GbkPrefix(text, 5), text);
  EXPECT_EQ(GbkPrefix(text, 4).size(), 3u);
  EXPECT_EQ(GbkPrefix(text, 2).size(), 1u);
  // A lone lead byte at the very end counts as one character.
  EXPECT_EQ(GbkPrefix(std::string("AB\xA3"), 3).size(), 3u);
}

TEST(GbkText, FieldsWithAndWithoutTerminator) {
  char field[4] = {'a', 'b', 0, 'c'};
  EXPECT_EQ(FieldText(field, sizeof field), "ab");
  char full[3] = {'x', 'y', 'z'};
  EXPECT_EQ(FieldText(full, sizeof full), "xyz");
}

TEST(GbkText, UpperCaseLeavesSecondBytesAlone) {
  // The pair 81 61 is one character whose second byte reads as 'a': it must survive.
  std::string mixed = std::string("commlink") + "\x81\x61";  // 0x81 0x61: 'a' as a second byte
  EXPECT_EQ(GbkUpper(mixed), std::string("COMMLINK") + "\x81\x61");
}

TEST(OleVariant, DecodesEveryTypeWordOfTheBoundary) {
  TOleVariant v{};
  auto set = [&](uint16_t vt, auto value) {
    v = TOleVariant{};
    v.vt = vt;
    std::memcpy(v.value, &value, sizeof value);
    return DecodeOleVariant(v);
  };
  EXPECT_TRUE(set(0, int32_t{5}).IsEmpty());
  EXPECT_TRUE(set(1, int32_t{5}).IsEmpty());
  EXPECT_EQ(set(2, int16_t{-3}), TagValue::Integer(-3));
  EXPECT_EQ(set(3, int32_t{-70000}), TagValue::Integer(-70000));
  EXPECT_EQ(set(4, 1.5f), TagValue::Double(1.5));
  EXPECT_EQ(set(5, 2.25), TagValue::Double(2.25));
  EXPECT_EQ(set(11, int16_t{-1}), TagValue::Boolean(true));
  EXPECT_EQ(set(11, int16_t{0}), TagValue::Boolean(false));
  EXPECT_EQ(set(16, int8_t{-2}), TagValue::Integer(-2));
  EXPECT_EQ(set(17, uint8_t{200}), TagValue::Integer(200));
  EXPECT_EQ(set(18, uint16_t{60000}), TagValue::Integer(60000));
  EXPECT_EQ(set(19, uint32_t{4000000000u}), TagValue::Integer(4000000000LL));
  EXPECT_EQ(set(22, int32_t{-1}), TagValue::Integer(-1));
  EXPECT_EQ(set(23, uint32_t{7}), TagValue::Integer(7));
  EXPECT_TRUE(set(9, int32_t{1}).IsEmpty());

  const char* lpstr = "\xCD\xA8";  // "通" in GBK
  EXPECT_EQ(set(30, lpstr), TagValue::String("\xCD\xA8"));
  EXPECT_EQ(set(30, static_cast<const char*>(nullptr)), TagValue::String(""));

  // A BSTR: the byte length stands just before the text.
  struct {
    uint32_t bytes = 4;
    char16_t text[3] = {u'O', u'K', 0};
  } bstr;
  EXPECT_EQ(set(8, static_cast<const char16_t*>(bstr.text)), TagValue::String("OK"));
}

}  // namespace
}  // namespace vdinv
