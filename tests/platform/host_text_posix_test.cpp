// The POSIX backend's host texts (malloc'ed, released with free).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>

#include "platform/text.h"

namespace vdinv::platform {
namespace {

TEST(PlatformText, AllocHostText) {
  EXPECT_EQ(AllocHostText(""), nullptr);
  EXPECT_EQ(AllocHostText(std::string_view()), nullptr);
  char* text = AllocHostText("\xCD\xA8\xD1\xB6");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "\xCD\xA8\xD1\xB6");
  EXPECT_EQ(std::strlen(text), 4U);
  ::free(text);  // the host releases with free
  char* copy = AllocHostText(std::string_view("abcdef", 3));
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "abc");
  FreeHostText(copy);
  FreeHostText(nullptr);
}

}  // namespace
}  // namespace vdinv::platform
