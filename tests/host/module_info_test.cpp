#include "host/module_info.h"

#include <gtest/gtest.h>

#include "platform/version_resource.h"
#include "support/host_env.h"
#include "support/temp_dir.h"

namespace vdinv::host {
namespace {

using test::ScopedRegistry;
using test::TempDir;
using test::WriteTestFile;

// GBK bytes of the texts the tests look for.
constexpr char kFujiInverter[] = "\xB8\xBB\xCA\xBF\xB1\xE4\xC6\xB5\xC6\xF7";  // 富士变频器
constexpr char kNamelessDevice[] = "\xCE\xDE\xC3\xFB\xC9\xE8\xB1\xB8";        // 无名设备
constexpr char kChannelAddress[] = "\xCD\xA8\xB5\xC0\xB5\xD8\xD6\xB7";        // 通道地址
constexpr char kSlotNumber[] = "\xB2\xDB\xBA\xC5";                            // 槽号
constexpr char kInverter[] = "\xB1\xE4\xC6\xB5\xC6\xF7";                      // 变频器

// A host installation in a temporary directory: the registry names it, "Ovatrex.ini" lies in it.
class ModuleInfoInstalled : public ::testing::Test {
 protected:
  ModuleInfoInstalled() : registry_(dir_.File("registry.ini")) {}

  void Install(const std::string& pathValue) {
    WriteTestFile(dir_.File("registry.ini"), "[Software\\KORVI]\nPATH=" + pathValue + "\n");
    WriteTestFile(dir_.File("Ovatrex.ini"), "[WORKING]\n");
  }

  TempDir dir_;
  ScopedRegistry registry_;
};

TEST_F(ModuleInfoInstalled, OwnModuleAnswersFromCompiledEntries) {
  ScopedRegistry missing(dir_.File("no-such-registry.ini"));
  for (std::string_view name : {kDriverModule, platform::DriverModuleFileName()}) {
    SCOPED_TRACE(std::string(name));
    TModuleInfo info;
    ASSERT_TRUE(ReadModuleInfo(name, info));
    EXPECT_EQ(info[kDeviceName], kFujiInverter);
    EXPECT_EQ(info[kDevTypeName], kInverter);
    EXPECT_EQ(info[kChIDName], kChannelAddress);
    EXPECT_EQ(info[kSlotIDName], kSlotNumber);  // not among the driver's entries: the default
    EXPECT_EQ(info[kNumericFileVersion], "4.7.1.1");
    EXPECT_EQ(info[kFileVersion], "4.7.1.1");
    EXPECT_EQ(info[kOriginalFileName], "VD_Inv.so");
    EXPECT_FALSE(info[kFileDescription].empty());
    EXPECT_EQ(info[kInstallDir], "../");
  }
}

TEST_F(ModuleInfoInstalled, HostModuleReadsSidecarByExactEntryNames) {
  Install(dir_.File("Taxil.exe"));
  WriteTestFile(dir_.File("Taxil.exe.version"),
                "[StringFileInfo]\n"
                "FileDescription=Taxil\n"
                "FileVersion=6.0.2\n"
                "OriginalFilename=Taxil.exe\n"  // not the entry name the driver asks for
                "slotIDName=Slot No.\n"
                "SlotName=Rack\n"
                "ChIDName=\xD6\xF7\xBB\xFA\n"  // GBK bytes are taken as they are
                "[FixedFileInfo]\n"
                "FileVersion=6.0.2.17\n");
  TModuleInfo info;
  info[kComments] = "stale";
  ASSERT_TRUE(ReadHostModuleInfo(info));
  EXPECT_EQ(info[kFileDescription], "Taxil");
  EXPECT_EQ(info[kFileVersion], "6.0.2");
  EXPECT_EQ(info[kNumericFileVersion], "6.0.2.17");
  EXPECT_EQ(info[kOriginalFileName], "");
  EXPECT_EQ(info[kComments], "");
  EXPECT_EQ(info[kSlotIDName], "Slot No.");
  EXPECT_EQ(info[kSlotName], "Rack");
  EXPECT_EQ(info[kChIDName], "\xD6\xF7\xBB\xFA");
  EXPECT_EQ(info[kDeviceName], kNamelessDevice);
  EXPECT_EQ(info[kFiveSegIDName], "\xB5\xDA\xCE\xE5\xB6\xCE\xB5\xD8\xD6\xB7");  // 第五段地址
  EXPECT_EQ(info[ModuleField(13)], "");
  EXPECT_EQ(info[kInstallDir], dir_.Path());
}

TEST_F(ModuleInfoInstalled, ModuleWithoutResourceLeavesEverythingButTheDirectoryEmpty) {
  Install(dir_.File("Taxil.exe"));
  TModuleInfo info;
  for (auto& field : info.fields) field = "stale";
  EXPECT_FALSE(ReadHostModuleInfo(info));
  for (int i = 0; i < kInstallDir; ++i) EXPECT_EQ(info.fields[i], "") << "field " << i;
  EXPECT_EQ(info[kInstallDir], dir_.Path());
}

}  // namespace
}  // namespace vdinv::host
