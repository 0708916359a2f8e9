#include "common/tag_value.h"

#include <gtest/gtest.h>

namespace vdinv {
namespace {

TEST(TagValueCompare, NumbersCompareByValueWhateverTheirKind) {
  EXPECT_EQ(TagValue::Integer(100), TagValue::Double(100.0));
  EXPECT_NE(TagValue::Integer(100), TagValue::Double(100.5));
  EXPECT_EQ(TagValue::Boolean(true), TagValue::Integer(1));
  EXPECT_EQ(TagValue::Boolean(false), TagValue::Double(0.0));
  EXPECT_NE(TagValue::Boolean(true), TagValue::Boolean(false));
  EXPECT_EQ(TagValue::Integer(INT64_MAX), TagValue::Integer(INT64_MAX));
  EXPECT_NE(TagValue::Integer(INT64_MAX), TagValue::Integer(INT64_MAX - 1));
}

TEST(TagValueCompare, TextsAndEmptyValuesOnlyEqualTheirOwnKind) {
  EXPECT_EQ(TagValue(), TagValue());
  EXPECT_NE(TagValue(), TagValue::Integer(0));
  EXPECT_NE(TagValue(), TagValue::String(""));
  EXPECT_EQ(TagValue::String("abc"), TagValue::String("abc"));
  EXPECT_NE(TagValue::String("abc"), TagValue::String("abd"));
  EXPECT_NE(TagValue::String("1"), TagValue::Integer(1));
}

TEST(TagValueConvert, ToTheHostsKinds) {
  EXPECT_EQ(TagValue::Integer(3).ToDouble(), 3.0);
  EXPECT_EQ(TagValue::String("2.5").ToDouble(), 2.5);
  EXPECT_EQ(TagValue::String("x").ToDouble(), 0.0);
  EXPECT_TRUE(TagValue::Double(-0.5).ToBoolean());
  EXPECT_FALSE(TagValue().ToBoolean());
  EXPECT_EQ(TagValue::Double(12.5).ToText(), "12.5");
  EXPECT_EQ(TagValue::Double(100).ToText(), "100");
  EXPECT_EQ(TagValue::Boolean(true).ToText(), "True");
  EXPECT_EQ(FormatNumber15(1.0 / 3.0), "0.333333333333333");
}

}  // namespace
}  // namespace vdinv
