// The toolkit on Linux lives in VD_Inv_ui.so beside the driver's module, so that Qt is loaded
// only when a window is first asked for and a host that only runs lines never loads it.
#include "platform/toolkit.h"

#include <dlfcn.h>

#include <string>

#include "platform/dynamic_library.h"

namespace vdinv::platform {
namespace {

constexpr char kUiModule[] = "VD_Inv_ui.so";
constexpr char kUiEntry[] = "VdinvUiToolkit";

using UiEntry = IToolkit* (*)();

// The directory of the module this code is linked into (the driver's), with its "/".
std::string OwnModuleDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&Toolkit), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  const std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

UiEntry LoadUiModule() {
  try {
    // Kept loaded until the process ends: its windows and Qt's application outlive any caller.
    auto* module = new DynamicLibrary;
    const std::string directory = OwnModuleDirectory();
    if (directory.empty() || !module->Open(directory + kUiModule, nullptr)) {
      delete module;
      return nullptr;
    }
    static DynamicLibrary* kept = module;
    return reinterpret_cast<UiEntry>(kept->Symbol(kUiEntry));
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

IToolkit* Toolkit() {
  static const UiEntry entry = LoadUiModule();  // once, whichever thread asks first
  return entry != nullptr ? entry() : nullptr;
}

}  // namespace vdinv::platform
