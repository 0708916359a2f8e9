// Test fixtures for the host's installation: a registry stand-in file of the test's own and a
// working directory of the test's own, both restored when the test ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "support/scoped_environment.h"

namespace vdinv::test {

// Points VD_INV_REGISTRY at a file for the life of the object.
class ScopedRegistry {
 public:
  explicit ScopedRegistry(const std::string& file) : variable_("VD_INV_REGISTRY", file.c_str()) {}

 private:
  ScopedEnvironment variable_;
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
