// Test fixtures for the host's installation: a registry stand-in file of the test's own and a
// working directory of the test's own, both restored when the test ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace vdinv::test {

// Points VD_INV_REGISTRY at a file for the life of the object.
class ScopedRegistry {
 public:
  explicit ScopedRegistry(const std::string& file) {
    if (const char* old = getenv(kVariable)) previous_ = old;
    setenv(kVariable, file.c_str(), 1);
  }
  ~ScopedRegistry() {
    if (previous_) {
      setenv(kVariable, previous_->c_str(), 1);
    } else {
      unsetenv(kVariable);
    }
  }
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

 private:
  static constexpr const char* kVariable = "VD_INV_REGISTRY";
  std::optional<std::string> previous_;
};

// Makes dir the working directory for the life of the object.
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::string& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCurrentDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
  }
  ScopedCurrentDir(const ScopedCurrentDir&) = delete;
  ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

 private:
  std::filesystem::path previous_;
};

// Writes bytes to a file, replacing it.
inline void WriteTestFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace vdinv::test
