// The host names the files the driver reads and appends to; whatever sits at such a path (a
// named pipe, a device, a directory, a huge file), the call returns at once and takes in a
// bounded amount.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/version_resource.h"
#include "support/host_env.h"
#include "support/returns_promptly.h"
#include "support/temp_dir.h"

namespace vdinv::platform {
namespace {

// A regular file with one entry "A=1" in section [StringFileInfo], padded with a comment to
// exactly `size` bytes.
void WriteIniOfSize(const std::string& path, size_t size) {
  std::string text = "[StringFileInfo]\nA=1\n;";
  text.append(size - text.size() - 1, 'x');
  text += '\n';
  ASSERT_TRUE(WriteWholeFile(path, text));
}

// The readers that found the file's entry, and "append" when an append to it was taken.
std::string ReadersThatTookTheFile(const std::string& dir, const std::string& path) {
  std::string took;
  auto note = [&took](bool taken, const char* reader) {
    if (taken) took += took.empty() ? reader : std::string(" ") + reader;
  };
  note(ReadWholeFile(path).has_value(), "whole");
  note(ReadFileHead(path, kMaxHostFileBytes).has_value(), "head");
  note(ReadIniString(path, "StringFileInfo", "A", "") == "1", "ini");
  note(ReadIniSection(path, "StringFileInfo").has_value(), "section");
  note(RegistryKeyExists("StringFileInfo"), "key");  // VD_INV_REGISTRY names the path
  note(ReadRegistryString("StringFileInfo", "A") == "1", "value");
  note(ReadVersionResource("m", dir).has_value(), "version");
  note(AppendToFile(path, "x"), "append");
  return took;
}

TEST(PlatformFileKinds, OnlyRegularFilesWithinTheLimitAreTaken) {
  const std::string kEverything = "whole head ini section key value version append";
  struct Case {
    const char* kind;
    std::function<void(const std::string& path)> make;
    std::string taken;
  };
  int pipeReader = -1;
  const Case cases[] = {
      {"named pipe, nobody at the other end",
       [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }, ""},
      {"named pipe with a reader",
       [&pipeReader](const std::string& path) {
         ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
         pipeReader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
         ASSERT_GE(pipeReader, 0);
       },
       ""},
      {"endless character device",
       [](const std::string& path) { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); }, ""},
      {"directory", [](const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0); }, ""},
      {"one byte over the limit",
       [](const std::string& path) { WriteIniOfSize(path, kMaxHostFileBytes + 1); }, "head append"},
      {"at the limit", [](const std::string& path) { WriteIniOfSize(path, kMaxHostFileBytes); },
       kEverything},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    test::TempDir dir;
    const std::string path = dir.File("m.version");
    c.make(path);
    const test::ScopedRegistry registry(path);
    const std::optional<std::string> took = test::ReturnsPromptly<std::string>(
        [d = dir.Path(), path] { return ReadersThatTookTheFile(d, path); });
    ASSERT_TRUE(took.has_value()) << "a reader or the append blocked";
    EXPECT_EQ(*took, c.taken);
    if (pipeReader >= 0) {
      char byte;
      EXPECT_LE(::read(pipeReader, &byte, 1), 0) << "the append went into the pipe";
      ::close(pipeReader);
      pipeReader = -1;
    }
  }
}

// The kernel's files report the size 0 and are read to their end or to the limit; a longer
// text is cut after its last whole line.
TEST(PlatformFileKinds, HeadReadsStopAtTheLastWholeLineWithinTheLimit) {
  test::TempDir dir;
  const std::string path = dir.File("f");
  ASSERT_TRUE(WriteWholeFile(path, "one\ntwo\nthree"));
  const struct {
    size_t limit;
    const char* head;
  } cases[] = {{13, "one\ntwo\nthree"},
               {100, "one\ntwo\nthree"},
               {12, "one\ntwo\n"},
               {8, "one\ntwo\n"},
               {7, "one\n"},
               {3, ""}};
  for (const auto& c : cases) EXPECT_EQ(ReadFileHead(path, c.limit), c.head) << c.limit;

  const std::optional<std::string> status = ReadWholeFile("/proc/self/status");
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(status->rfind("Name:", 0), 0U) << *status;
  const std::optional<std::string> head = ReadFileHead("/proc/self/status", 64);
  ASSERT_TRUE(head.has_value());
  EXPECT_EQ(head->rfind("Name:", 0), 0U) << *head;
  EXPECT_LE(head->size(), 64U);
}

}  // namespace
}  // namespace vdinv::platform
