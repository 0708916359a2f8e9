#include "sysinfo/system_information.h"

#include <gtest/gtest.h>

namespace vdinv::sysinfo {
namespace {

platform::OsVersion DebianKernel() {
  platform::OsVersion os;
  os.valid = true;
  os.prettyName = "Debian GNU/Linux 12 (bookworm)";
  os.kernelName = "Linux";
  os.release = "6.1.0-18-amd64";
  os.version = "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)";
  os.machine = "x86_64";
  os.major = 6;
  os.minor = 1;
  os.build = 76;
  return os;
}

TEST(SysInfoOperatingSystem, DescribesTheSystemEndingInTheBuild) {
  TOperatingSystemInfo info(DebianKernel());
  EXPECT_EQ(info.Platform, "Debian GNU/Linux 12 (bookworm) Linux 6.1.0-18-amd64(Build 76)");
  EXPECT_EQ(info.MajorVersion, "6");
  EXPECT_EQ(info.MinorVersion, "1");
  EXPECT_EQ(info.BuildNumber, "76");
  EXPECT_EQ(info.Extension, "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)");
}

TEST(SysInfoOperatingSystem, MissingFactsLeaveNoStrayTexts) {
  platform::OsVersion os = DebianKernel();
  os.prettyName = "\xE4\xB8\xBB\xE6\x9C\xBA OS";  // "主机 OS" in UTF-8 is handed out in GBK
  EXPECT_EQ(TOperatingSystemInfo(os).Platform,
            "\xD6\xF7\xBB\xFA OS Linux 6.1.0-18-amd64(Build 76)");

  os.prettyName.clear();
  EXPECT_EQ(TOperatingSystemInfo(os).Platform, "Linux 6.1.0-18-amd64(Build 76)");

  os.valid = false;
  const TOperatingSystemInfo unknown(os);
  EXPECT_EQ(unknown.Platform + unknown.MajorVersion + unknown.BuildNumber + unknown.Extension, "");
}

TEST(SysInfoLive, RunningSystemIsDescribed) {
  TXSystemInformation system;
  const std::string& platform = system.OperatingSystem().Platform;
  ASSERT_FALSE(platform.empty());
  EXPECT_NE(platform.find("(Build "), std::string::npos);
  EXPECT_EQ(platform.back(), ')');
  EXPECT_GT(system.Memory().TotalPhysical, 0u);
  EXPECT_LE(system.Memory().AvailablePhysical, system.Memory().TotalPhysical);
  EXPECT_LE(system.Memory().MemoryLoad, 100u);
}

}  // namespace
}  // namespace vdinv::sysinfo
