// The host program's record on Windows: the version resource of the process's main module,
// here the test program (host_program.rc), whatever its name and directory.
#include <gtest/gtest.h>

#include "host/install_paths.h"
#include "host/module_info.h"

namespace vdinv::host {
namespace {

TEST(HostModuleInfoOnWindows, ComesFromTheMainModulesVersionResource) {
  TModuleInfo info;
  ASSERT_TRUE(ReadHostModuleInfo(info));
  EXPECT_EQ(info[kFileDescription], "\xBC\xE0\xBF\xD8\xD6\xF7\xBB\xFA");  // 监控主机 in GBK
  EXPECT_EQ(info[kFileVersion], "6.0.2");
  EXPECT_EQ(info[kNumericFileVersion], "6.0.2.17");
  EXPECT_EQ(info[kChIDName], "\xD6\xF7\xBB\xFA\xB5\xD8\xD6\xB7");    // 主机地址
  EXPECT_EQ(info[kDeviceName], "\xCE\xDE\xC3\xFB\xC9\xE8\xB1\xB8");  // 无名设备, the default
  EXPECT_EQ(info[kInstallDir], HostInstallDir());
}

}  // namespace
}  // namespace vdinv::host
