// Loading a module as a host does: LoadLibraryW (the path is GBK) and GetProcAddress.
#include "platform/dynamic_library.h"

#include <windows.h>

#include "platform/win32/code_page.h"

namespace vdinv::platform {

DynamicLibrary::~DynamicLibrary() {
  Close();
}

bool DynamicLibrary::Open(const std::string& path, std::string* error) {
  Close();
  handle_ = LoadLibraryW(internal::GbkToWide(path).c_str());
  if (handle_ == nullptr && error != nullptr) {
    *error = path + ": LoadLibrary failed, error " + std::to_string(GetLastError());
  }
  return handle_ != nullptr;
}

bool DynamicLibrary::Close() {
  if (handle_ == nullptr) return false;
  FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
  return true;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace vdinv::platform
