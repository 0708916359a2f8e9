#include "common/path_text.h"

#include <gtest/gtest.h>

namespace vdinv {
namespace {

TEST(DirectoryPart, KeepsEverythingUpToTheLastSeparator) {
  EXPECT_EQ(DirectoryPart("/opt/ovatrex/Taxil.exe"), "/opt/ovatrex/");
  EXPECT_EQ(DirectoryPart("/opt/ovatrex/"), "/opt/ovatrex/");
  EXPECT_EQ(DirectoryPart("D:\\Ovatrex\\Taxil.exe"), "D:\\Ovatrex\\");
  EXPECT_EQ(DirectoryPart("a\\b/c"), "a\\b/");
  EXPECT_EQ(DirectoryPart("Taxil.exe"), "");
  EXPECT_EQ(DirectoryPart(""), "");
}

TEST(DirectoryPart, TrailByteOfDoubleByteCharacterIsNoSeparator) {
  // 0x81 0x5C is one GBK character whose second byte equals "\".
  EXPECT_EQ(DirectoryPart("/opt/\x81\x5C"
                          "abc"),
            "/opt/");
  EXPECT_EQ(DirectoryPart("/opt/\x81\x5C/x"), "/opt/\x81\x5C/");
}

}  // namespace
}  // namespace vdinv
