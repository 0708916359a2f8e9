// Loading a module by name and looking up its exports, as a host does.
#pragma once

#include <string>

namespace vdinv::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads the module (a path, or a bare name found by the system's search rules).
  bool Open(const std::string& path, std::string* error);
  // Unloads it; true when it was loaded.
  bool Close();
  bool IsOpen() const { return handle_ != nullptr; }
  void* Symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
};

}  // namespace vdinv::platform
