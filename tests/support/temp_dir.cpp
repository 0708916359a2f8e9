#include "support/temp_dir.h"

#include <filesystem>
#include <random>
#include <stdexcept>

namespace vdinv::test {

TempDir::TempDir() {
  // A fresh directory under a random name; create_directory reports whether it was new, so two
  // tests never share one.
  std::random_device seed;
  std::mt19937_64 random(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path dir = base / ("vdinv-test-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(dir, ec)) {
      path_ = dir.string() + "/";
      return;
    }
  }
  throw std::runtime_error("no temporary directory could be created");
}
TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace vdinv::test
