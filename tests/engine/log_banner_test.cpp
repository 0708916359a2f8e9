#include "engine/log_banner.h"

#include <gtest/gtest.h>

namespace vdinv::engine {
namespace {

using Lines = std::vector<std::string>;

sysinfo::TXSystemInformation CannedSystem() {
  platform::OsVersion os;
  os.valid = true;
  os.prettyName = "Debian GNU/Linux 12 (bookworm)";
  os.kernelName = "Linux";
  os.release = "6.1.0-18-amd64";
  os.build = 76;
  platform::MemoryStatus memory;
  memory.memoryLoad = 37;
  memory.totalPhysical = 16ull * 1024 * 1048576;         // 16384 MB
  memory.availablePhysical = 3 * 1048576 - 1;            // just under 3 MB
  memory.totalVirtual = 128ull * 1024 * 1024 * 1048576;  // 128 TB of address space
  memory.availableVirtual = 1048575;                     // under 1 MB
  return sysinfo::TXSystemInformation(os, memory);
}

TModuleInfo HostInfo() {
  TModuleInfo info;
  info[kFileDescription] = "Taxil \xD4\xCB\xD0\xD0";  // "运行" in GBK
  info[kFileVersion] = "6.0.2";
  return info;
}

TModuleInfo DriverInfo() {
  TModuleInfo info;
  info[kDeviceName] = "\xB8\xBB\xCA\xBF\xB1\xE4\xC6\xB5\xC6\xF7";  // 富士变频器
  info[kFileVersion] = "4.7.1.1";
  return info;
}

// The expected lines, GBK byte for byte.
const Lines kMemoryLines = {
    "\xA3\xBA\xD2\xD1\xCA\xB9\xD3\xC3\xC4\xDA\xB4\xE6 = 37 %",          // 已使用内存
    "\xA3\xBA\xD7\xDC\xCE\xEF\xC0\xED\xC4\xDA\xB4\xE6 = 16384 MB",      // 总物理内存
    "\xA3\xBA\xBF\xC9\xD3\xC3\xCE\xEF\xC0\xED\xC4\xDA\xB4\xE6 = 2 MB",  // 可用物理内存
    "\xA3\xBA\xD7\xDC\xD0\xE9\xC4\xE2\xC4\xDA\xB4\xE6 = 134217728 MB",  // 总虚拟内存
    "\xA3\xBA\xBF\xC9\xD3\xC3\xD0\xE9\xC4\xE2\xC4\xDA\xB4\xE6 = 0 MB",  // 可用虚拟内存
};
const std::string kOsLine =
    "\xA3\xBA[Debian GNU/Linux 12 (bookworm) Linux 6.1.0-18-amd64(Build 76)] ";
const Lines kStartLines = {
    // ：启动 … [文件版本 … ]  ...
    "\xA3\xBA\xC6\xF4\xB6\xAFTaxil \xD4\xCB\xD0\xD0[\xCE\xC4\xBC\xFE\xB0\xE6\xB1\xBE"
    "6.0.2]  ...",
    // ：启动驱动程序富士变频器  ...
    "\xA3\xBA\xC6\xF4\xB6\xAF\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2"
    "\xB8\xBB\xCA\xBF\xB1\xE4\xC6\xB5\xC6\xF7  ...",
    // ：驱动程序版本4.7.1.1  ...
    "\xA3\xBA\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xB0\xE6\xB1\xBE"
    "4.7.1.1  ...",
};

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(BannerMemory, MegabytesAreWholeAndLinesInReportOrder) {
  EXPECT_EQ(MemoryTexts(CannedSystem().Memory()), kMemoryLines);
}

TEST(BannerStart, NamesProcessorSystemMemoryHostAndDriver) {
  ProcessorDescription cpu{"Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz", "GenuineIntel",
                           "Intel64 Family 6"};
  const Lines expected = Join({{"\xA3\xBA[Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz]", kOsLine},
                               kMemoryLines,
                               kStartLines});
  EXPECT_EQ(StartBannerTexts(cpu, HostInfo(), DriverInfo(), CannedSystem()), expected);
}

TEST(BannerStart, ProcessorWithoutNameShowsVendorAndIdentifier) {
  ProcessorDescription cpu{"", "GenuineIntel", "Intel64 Family 6"};
  const Lines banner = StartBannerTexts(cpu, HostInfo(), DriverInfo(), CannedSystem());
  ASSERT_EQ(banner.size(), 10u);
  EXPECT_EQ(banner[0], "\xA3\xBA[GenuineIntelIntel64 Family 6]");
}

TEST(BannerStart, NoProcessorKeyNoProcessorLine) {
  const Lines expected = Join({{kOsLine}, kMemoryLines, kStartLines});
  EXPECT_EQ(StartBannerTexts(std::nullopt, HostInfo(), DriverInfo(), CannedSystem()), expected);
}

// The mode of the line is named only when it differs from the host's polls.
TEST(BannerStart, ALineThreadAddsItsLineAtTheEnd) {
  const Lines off = Join({{kOsLine}, kMemoryLines, kStartLines});
  EXPECT_EQ(StartBannerTexts(std::nullopt, HostInfo(), DriverInfo(), CannedSystem(), false), off);
  // ：通讯在独立线程中运行  ...
  const Lines on = Join({off,
                         {"\xA3\xBA\xCD\xA8\xD1\xB6\xD4\xDA\xB6\xC0\xC1\xA2\xCF\xDF\xB3\xCC"
                          "\xD6\xD0\xD4\xCB\xD0\xD0  ..."}});
  EXPECT_EQ(StartBannerTexts(std::nullopt, HostInfo(), DriverInfo(), CannedSystem(), true), on);
}

}  // namespace
}  // namespace vdinv::engine
