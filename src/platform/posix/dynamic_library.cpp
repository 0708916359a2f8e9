// Loading a module with dlopen, as a host does.
#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace vdinv::platform {

DynamicLibrary::~DynamicLibrary() {
  Close();
}

bool DynamicLibrary::Open(const std::string& path, std::string* error) {
  Close();
  dlerror();  // forget an earlier error
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    if (error != nullptr) {
      const char* text = dlerror();
      *error = text != nullptr ? text : "cannot load " + path;
    }
    return false;
  }
  return true;
}

bool DynamicLibrary::Close() {
  if (handle_ == nullptr) return false;
  dlclose(handle_);
  handle_ = nullptr;
  return true;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return dlsym(handle_, name);
}

}  // namespace vdinv::platform
