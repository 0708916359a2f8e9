#include "platform/pseudo_terminal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "support/temp_dir.h"

namespace vdinv::platform {
namespace {

using Clock = std::chrono::steady_clock;

std::string ReadBytes(PseudoTerminal& line, size_t count, uint32_t timeoutMs = 1000) {
  std::string out;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.size() < count && Clock::now() < deadline) {
    if (line.Read(out, 20, count - out.size()) == LineRead::kClosed) break;
  }
  return out;
}

std::string AllByteValues() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes;
}

TEST(PlatformPseudoTerminal, EveryByteValuePassesUntouchedBothWays) {
  PseudoTerminal master;
  ASSERT_TRUE(master.Open()) << master.LastError();
  ASSERT_TRUE(std::filesystem::exists(master.Path()));
  PseudoTerminal client;
  ASSERT_TRUE(client.OpenDevice(master.Path())) << client.LastError();

  // Control characters (ETX is ^C, CR/LF, XON/XOFF, DEL) must not be interpreted on the way.
  const std::string bytes = AllByteValues();
  ASSERT_TRUE(master.Write(bytes));
  EXPECT_EQ(ReadBytes(client, bytes.size()), bytes);
  ASSERT_TRUE(client.Write(bytes));
  EXPECT_EQ(ReadBytes(master, bytes.size()), bytes);
  // Nothing echoed back to the writer.
  std::string extra;
  EXPECT_EQ(client.Read(extra, 20), LineRead::kTimeout);
  EXPECT_EQ(master.Read(extra, 20), LineRead::kTimeout);
}

// The output speed of a terminal, as the terminal reports it; B0 when it cannot be read.
speed_t LineSpeed(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios t{};
  const bool read = fd >= 0 && ::tcgetattr(fd, &t) == 0;
  if (fd >= 0) ::close(fd);
  return read ? ::cfgetospeed(&t) : B0;
}

TEST(PlatformPseudoTerminal, OpenDeviceSetsEveryRateWithASpeedCodeAndLeavesTheOthers) {
  PseudoTerminal master;
  ASSERT_TRUE(master.Open()) << master.LastError();
  // In order: 0 and a rate without a speed code (14400) keep the speed set just before.
  const std::pair<uint32_t, speed_t> cases[] = {
      {110, B110},       {300, B300},  {9600, B9600},    {115200, B115200},
      {230400, B230400}, {0, B230400}, {14400, B230400},
  };
  for (const auto& [baud, speed] : cases) {
    PseudoTerminal client;
    ASSERT_TRUE(client.OpenDevice(master.Path(), baud)) << baud << ": " << client.LastError();
    EXPECT_EQ(LineSpeed(master.Path()), speed) << baud;
  }
}

TEST(PlatformPseudoTerminal, ReadTimesOutWithoutClientAndWithoutInput) {
  PseudoTerminal master;
  ASSERT_TRUE(master.Open());
  std::string out;
  const auto start = Clock::now();
  // No client has the slave open: a time-out, not a hang-up the caller would spin on.
  EXPECT_EQ(master.Read(out, 30), LineRead::kTimeout);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(25));
  EXPECT_TRUE(out.empty());
  {
    PseudoTerminal client;
    ASSERT_TRUE(client.OpenDevice(master.Path()));
  }
  EXPECT_EQ(master.Read(out, 10), LineRead::kTimeout);  // and after a client left again
}

TEST(PlatformPseudoTerminal, CloseRemovesSlaveAndLinkAndHangsUpTheClient) {
  test::TempDir dir;
  const std::string link = dir.File("ttyINV");
  PseudoTerminal master;
  ASSERT_TRUE(master.Open(link)) << master.LastError();
  EXPECT_EQ(master.LinkPath(), link);
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), master.Path());

  PseudoTerminal client;
  ASSERT_TRUE(client.OpenDevice(link)) << client.LastError();
  ASSERT_TRUE(master.Write("x"));
  EXPECT_EQ(ReadBytes(client, 1), "x");

  const std::string slave = master.Path();
  master.Close();
  EXPECT_FALSE(master.IsOpen());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  EXPECT_FALSE(std::filesystem::exists(slave));
  std::string out;
  EXPECT_EQ(client.Read(out, 200), LineRead::kClosed);
}

TEST(PlatformPseudoTerminal, LinkReplacesOnlySymbolicLinks) {
  test::TempDir dir;
  const std::string link = dir.File("ttyINV");
  PseudoTerminal first;
  PseudoTerminal second;
  ASSERT_TRUE(first.Open(link));
  ASSERT_TRUE(second.Open(link));  // a stale or other link is replaced
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), second.Path());
  first.Close();  // no longer its link: left alone
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), second.Path());

  const std::string file = dir.File("plain");
  std::ofstream(file) << "keep";
  PseudoTerminal third;
  EXPECT_FALSE(third.Open(file));
  EXPECT_NE(third.LastError().find("not a symbolic link"), std::string::npos);
  EXPECT_FALSE(third.IsOpen());
  std::ifstream in(file);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "keep");
  // No temporary link names are left behind: just the link and the file.
  const auto entries = std::distance(std::filesystem::directory_iterator(dir.Path()),
                                     std::filesystem::directory_iterator());
  EXPECT_EQ(entries, 2);
}

TEST(PlatformPseudoTerminal, OpenDeviceRefusesMissingPathsAndPlainFiles) {
  test::TempDir dir;
  PseudoTerminal line;
  EXPECT_FALSE(line.OpenDevice(dir.File("missing")));
  EXPECT_FALSE(line.LastError().empty());
  const std::string file = dir.File("plain");
  std::ofstream(file) << "x";
  EXPECT_FALSE(line.OpenDevice(file));
  EXPECT_NE(line.LastError().find("not a terminal"), std::string::npos);
  EXPECT_FALSE(line.IsOpen());
  std::string out;
  EXPECT_EQ(line.Read(out, 0), LineRead::kClosed);
  EXPECT_FALSE(line.Write("x"));
}

}  // namespace
}  // namespace vdinv::platform
