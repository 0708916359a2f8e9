// A fresh directory under the system's temporary directory, removed with everything in it
// when the test ends.
#pragma once

#include <string>

namespace vdinv::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's path, ending in "/".
  const std::string& Path() const { return path_; }
  // Path + name.
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

}  // namespace vdinv::test
