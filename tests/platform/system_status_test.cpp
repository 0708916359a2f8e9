#include "platform/system_status.h"

#include <gtest/gtest.h>

#include "platform/posix/system_status_parse.h"

namespace vdinv::platform {
namespace {

constexpr const char* kMemInfo =
    "MemTotal:       16000000 kB\n"
    "MemFree:         1000000 kB\n"
    "MemAvailable:    4000000 kB\n"
    "Buffers:          200000 kB\n"
    "Cached:          3000000 kB\n"
    "SwapCached:            0 kB\n"
    "SwapTotal:       2000000 kB\n"
    "SwapFree:        1500000 kB\n";

TEST(PlatformSystemStatus, ParsesMemInfo) {
  const internal::MemInfo mem = internal::ParseMemInfo(kMemInfo);
  EXPECT_EQ(mem.memTotal, 16000000ULL * 1024);
  EXPECT_EQ(mem.memAvailable, 4000000ULL * 1024);
  EXPECT_EQ(mem.swapTotal, 2000000ULL * 1024);
  EXPECT_EQ(mem.swapFree, 1500000ULL * 1024);
}

TEST(PlatformSystemStatus, ComputesTheMemoryStatus) {
  const internal::MemInfo mem = internal::ParseMemInfo(kMemInfo);
  const MemoryStatus status = internal::ComputeMemoryStatus(mem, 1ULL << 47, 1000ULL * 1024);
  EXPECT_EQ(status.memoryLoad, 75U);
  EXPECT_EQ(status.totalPhysical, 16000000ULL * 1024);
  EXPECT_EQ(status.availablePhysical, 4000000ULL * 1024);
  EXPECT_EQ(status.totalPageFile, 18000000ULL * 1024);
  EXPECT_EQ(status.availablePageFile, 5500000ULL * 1024);
  EXPECT_EQ(status.totalVirtual, 1ULL << 47);
  EXPECT_EQ(status.availableVirtual, (1ULL << 47) - 1000ULL * 1024);
}

TEST(PlatformSystemStatus, MemoryLoadRoundsDown) {
  const internal::MemInfo mem =
      internal::ParseMemInfo("MemTotal: 3 kB\nMemAvailable: 1 kB\n");  // 66.7 % used
  EXPECT_EQ(internal::ComputeMemoryStatus(mem, 100, std::nullopt).memoryLoad, 66U);
}

TEST(PlatformSystemStatus, OldKernelWithoutMemAvailable) {
  const internal::MemInfo mem = internal::ParseMemInfo(
      "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n");
  EXPECT_FALSE(mem.memAvailable.has_value());
  const MemoryStatus status = internal::ComputeMemoryStatus(mem, 1000, 2000);
  EXPECT_EQ(status.availablePhysical, 400U * 1024);
  EXPECT_EQ(status.memoryLoad, 60U);
  EXPECT_EQ(status.totalPageFile, 1000U * 1024);  // no swap lines
  EXPECT_EQ(status.availableVirtual, 0U);         // never below zero
}

TEST(PlatformSystemStatus, EmptyMemInfoGivesZeros) {
  const MemoryStatus status = internal::ComputeMemoryStatus(internal::ParseMemInfo(""), 0, {});
  EXPECT_EQ(status.memoryLoad, 0U);
  EXPECT_EQ(status.totalPhysical, 0U);
}

TEST(PlatformSystemStatus, ParsesVmSize) {
  EXPECT_EQ(internal::ParseVmSize("Name:\tx\nVmPeak:\t 9 kB\nVmSize:\t   12345 kB\n"),
            12345ULL * 1024);
  EXPECT_FALSE(internal::ParseVmSize("Name:\tx\n").has_value());
}

TEST(PlatformSystemStatus, ParsesPrettyName) {
  EXPECT_EQ(internal::ParseOsReleasePrettyName(
                "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(internal::ParseOsReleasePrettyName("PRETTY_NAME='Alpine Linux v3.19'\n"),
            "Alpine Linux v3.19");
  EXPECT_EQ(internal::ParseOsReleasePrettyName("PRETTY_NAME=Plain\n"), "Plain");
  EXPECT_EQ(internal::ParseOsReleasePrettyName("PRETTY_NAME=\"a \\\"b\\\"\"\n"), "a \"b\"");
  EXPECT_EQ(internal::ParseOsReleasePrettyName("NAME=x\n"), "");
}

TEST(PlatformSystemStatus, ParsesReleaseNumbers) {
  unsigned major = 9, minor = 9, build = 9;
  internal::ParseReleaseNumbers("6.1.0-18-amd64", major, minor, build);
  EXPECT_EQ(major, 6U);
  EXPECT_EQ(minor, 1U);
  EXPECT_EQ(build, 0U);
  internal::ParseReleaseNumbers("5.15.133+", major, minor, build);
  EXPECT_EQ(major, 5U);
  EXPECT_EQ(minor, 15U);
  EXPECT_EQ(build, 133U);
  internal::ParseReleaseNumbers("6.8-rc1", major, minor, build);
  EXPECT_EQ(major, 6U);
  EXPECT_EQ(minor, 8U);
  EXPECT_EQ(build, 0U);
  internal::ParseReleaseNumbers("weird", major, minor, build);
  EXPECT_EQ(major, 0U);
}

TEST(PlatformSystemStatus, ReadsThisSystem) {
  const OsVersion os = ReadOsVersion();
  ASSERT_TRUE(os.valid);
  EXPECT_EQ(os.kernelName, "Linux");
  EXPECT_FALSE(os.release.empty());
  EXPECT_GT(os.major, 0U);
  const MemoryStatus mem = ReadMemoryStatus();
  EXPECT_GT(mem.totalPhysical, 0U);
  EXPECT_LE(mem.availablePhysical, mem.totalPhysical);
  EXPECT_LE(mem.memoryLoad, 100U);
  EXPECT_GE(mem.totalPageFile, mem.totalPhysical);
  EXPECT_GT(mem.totalVirtual, 0U);
  EXPECT_LE(mem.availableVirtual, mem.totalVirtual);
}

}  // namespace
}  // namespace vdinv::platform
