#include "platform/version_resource.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace vdinv::platform {
namespace {

TEST(PlatformVersion, DriverModuleFileName) {
  EXPECT_EQ(DriverModuleFileName(), "VD_Inv.so");
}

TEST(PlatformVersion, ReadsTheSidecarFile) {
  test::TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.File("Taxil.exe.version"),
                             "[StringFileInfo]\r\n"
                             "CompanyName=KORVI\r\n"
                             "FileDescription=组态软件\r\n"
                             "ProductName=\xCB\xFB\r\n"  // GBK bytes, not UTF-8: kept
                             "[FixedFileInfo]\r\n"
                             "FileVersion=6.0.12.345\r\n"));
  const auto resource = ReadVersionResource("Taxil.exe", dir.Path());
  ASSERT_TRUE(resource.has_value());
  EXPECT_EQ(resource->strings.at("CompanyName"), "KORVI");
  EXPECT_EQ(resource->strings.at("FileDescription"), "\xD7\xE9\xCC\xAC\xC8\xED\xBC\xFE");
  EXPECT_EQ(resource->strings.at("ProductName"), "\xCB\xFB");
  EXPECT_EQ(resource->strings.size(), 3U);
  ASSERT_TRUE(resource->hasFixedVersion);
  EXPECT_EQ(resource->fileVersion[0], 6U);
  EXPECT_EQ(resource->fileVersion[1], 0U);
  EXPECT_EQ(resource->fileVersion[2], 12U);
  EXPECT_EQ(resource->fileVersion[3], 345U);
}

TEST(PlatformVersion, DirectoryWithoutTrailingSlash) {
  test::TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.File("m.version"), "[StringFileInfo]\nA=1\n"));
  std::string path = dir.Path();
  path.pop_back();
  const auto resource = ReadVersionResource("m", path);
  ASSERT_TRUE(resource.has_value());
  EXPECT_EQ(resource->strings.at("A"), "1");
  EXPECT_FALSE(resource->hasFixedVersion);
}

TEST(PlatformVersion, NothingWithoutFileOrStringSection) {
  test::TempDir dir;
  EXPECT_FALSE(ReadVersionResource("Taxil.exe", dir.Path()).has_value());
  ASSERT_TRUE(
      WriteWholeFile(dir.File("Taxil.exe.version"), "[FixedFileInfo]\nFileVersion=1.2.3.4\n"));
  EXPECT_FALSE(ReadVersionResource("Taxil.exe", dir.Path()).has_value());
}

TEST(PlatformVersion, BadFixedVersionIsIgnored) {
  test::TempDir dir;
  for (const char* bad : {"1.2.3.4.5", "a.b", "70000.1.1.1", "", "1..2"}) {
    ASSERT_TRUE(WriteWholeFile(
        dir.File("m.version"),
        std::string("[StringFileInfo]\n[FixedFileInfo]\nFileVersion=") + bad + "\n"));
    const auto resource = ReadVersionResource("m", dir.Path());
    ASSERT_TRUE(resource.has_value());
    EXPECT_FALSE(resource->hasFixedVersion) << bad;
  }
  ASSERT_TRUE(WriteWholeFile(dir.File("m.version"),
                             "[StringFileInfo]\n[FixedFileInfo]\nfileversion=4.7\n"));
  const auto resource = ReadVersionResource("m", dir.Path());
  ASSERT_TRUE(resource.has_value());
  ASSERT_TRUE(resource->hasFixedVersion);
  EXPECT_EQ(resource->fileVersion[0], 4U);
  EXPECT_EQ(resource->fileVersion[1], 7U);
  EXPECT_EQ(resource->fileVersion[2], 0U);
}

}  // namespace
}  // namespace vdinv::platform
