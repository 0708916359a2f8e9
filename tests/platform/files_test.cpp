#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace vdinv::platform {
namespace {

TEST(PlatformFile, MissingFile) {
  test::TempDir dir;
  const std::string path = dir.File("missing.txt");
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(FileSize(path), -1);
  EXPECT_FALSE(ReadWholeFile(path).has_value());
  EXPECT_FALSE(DeleteFile(path));
  EXPECT_FALSE(FileExists(""));
  EXPECT_EQ(FileSize(""), -1);
}

TEST(PlatformFile, DirectoryIsNoFile) {
  test::TempDir dir;
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_EQ(FileSize(dir.Path()), -1);
  EXPECT_FALSE(ReadWholeFile(dir.Path()).has_value());
}

TEST(PlatformFile, AppendCreatesAndAppendsInOrder) {
  test::TempDir dir;
  const std::string path = dir.File("VD_Inv.LOG");
  ASSERT_TRUE(AppendToFile(path, "one\r\n"));
  EXPECT_TRUE(FileExists(path));
  ASSERT_TRUE(AppendToFile(path, std::string_view("t\0o\r\n", 5)));
  ASSERT_TRUE(AppendToFile(path, ""));
  ASSERT_TRUE(AppendToFile(path, "\xCD\xA8\xD1\xB6"));
  EXPECT_EQ(ReadWholeFile(path), std::string("one\r\nt\0o\r\n\xCD\xA8\xD1\xB6", 14));
  EXPECT_EQ(FileSize(path), 14);
}

TEST(PlatformFile, AppendDoesNotCreateDirectories) {
  test::TempDir dir;
  EXPECT_FALSE(AppendToFile(dir.File("no/such/dir/log.txt"), "x"));
  EXPECT_FALSE(FileExists(dir.File("no/such/dir/log.txt")));
}

TEST(PlatformFile, AppendIsRefusedWhileAnotherHolderLocksTheFile) {
  test::TempDir dir;
  const std::string path = dir.File("locked.txt");
  ASSERT_TRUE(AppendToFile(path, "a"));
  // A separate open file description stands for another process.
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_FALSE(AppendToFile(path, "lost"));
  ::flock(fd, LOCK_UN);
  ::close(fd);
  EXPECT_TRUE(AppendToFile(path, "b"));
  EXPECT_EQ(ReadWholeFile(path), "ab");
}

TEST(PlatformFile, ConcurrentAppendsLoseNothing) {
  test::TempDir dir;
  const std::string path = dir.File("threads.txt");
  constexpr int kThreads = 4;
  constexpr int kLines = 200;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) {
        const std::string line =
            "thread " + std::to_string(t) + " line " + std::to_string(i) + "\n";
        if (!AppendToFile(path, line)) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
  const std::optional<std::string> content = ReadWholeFile(path);
  ASSERT_TRUE(content.has_value());
  // Every line present exactly once and each thread's lines in order.
  std::vector<int> next(kThreads, 0);
  size_t pos = 0;
  int total = 0;
  while (pos < content->size()) {
    const size_t end = content->find('\n', pos);
    ASSERT_NE(end, std::string::npos);
    const std::string line = content->substr(pos, end - pos);
    pos = end + 1;
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "thread %d line %d", &t, &i), 2) << line;
    ASSERT_GE(t, 0);
    ASSERT_LT(t, kThreads);
    EXPECT_EQ(i, next[t]);
    next[t] = i + 1;
    ++total;
  }
  EXPECT_EQ(total, kThreads * kLines);
}

TEST(PlatformFile, RenameMovesTheFile) {
  test::TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.File("a.LOG"), "content"));
  EXPECT_TRUE(RenameFile(dir.File("a.LOG"), dir.File("b.LOG")));
  EXPECT_FALSE(FileExists(dir.File("a.LOG")));
  EXPECT_EQ(ReadWholeFile(dir.File("b.LOG")), "content");
}

TEST(PlatformFile, RenameRefusesAnExistingTarget) {
  test::TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.File("a"), "new"));
  ASSERT_TRUE(WriteWholeFile(dir.File("b"), "old"));
  EXPECT_FALSE(RenameFile(dir.File("a"), dir.File("b")));
  EXPECT_EQ(ReadWholeFile(dir.File("a")), "new");
  EXPECT_EQ(ReadWholeFile(dir.File("b")), "old");
}

TEST(PlatformFile, RenameOfMissingFileFails) {
  test::TempDir dir;
  EXPECT_FALSE(RenameFile(dir.File("missing"), dir.File("b")));
  EXPECT_FALSE(FileExists(dir.File("b")));
}

TEST(PlatformFile, SizeDeleteCreateEmpty) {
  test::TempDir dir;
  const std::string path = dir.File("f");
  ASSERT_TRUE(CreateEmptyFile(path));
  EXPECT_EQ(FileSize(path), 0);
  ASSERT_TRUE(WriteWholeFile(path, "12345"));
  EXPECT_EQ(FileSize(path), 5);
  EXPECT_TRUE(CreateEmptyFile(path));  // an existing file stays as it is
  EXPECT_EQ(FileSize(path), 5);
  ASSERT_TRUE(WriteWholeFile(path, "12"));  // written anew, not appended
  EXPECT_EQ(ReadWholeFile(path), "12");
  EXPECT_TRUE(DeleteFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(CreateEmptyFile(dir.File("no/dir/f")));
}

TEST(PlatformFile, CreateDirectoriesMakesEveryParent) {
  test::TempDir dir;
  const std::string nested = dir.File("Debug/a/b/");
  EXPECT_TRUE(CreateDirectories(nested));
  EXPECT_TRUE(CreateDirectories(nested));  // already there
  EXPECT_TRUE(AppendToFile(nested + "log.txt", "x"));
  EXPECT_FALSE(CreateDirectories(""));
  ASSERT_TRUE(WriteWholeFile(dir.File("plain"), "x"));
  EXPECT_FALSE(CreateDirectories(dir.File("plain")));      // a file is in the way
  EXPECT_FALSE(CreateDirectories(dir.File("plain/sub")));  // and no exception escapes
}

}  // namespace
}  // namespace vdinv::platform
