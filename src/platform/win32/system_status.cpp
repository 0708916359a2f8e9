// The running Windows version and the memory status, for the log's banner and run report.
#include "platform/system_status.h"

#include <windows.h>

#include "platform/text.h"
#include "platform/win32/code_page.h"

namespace vdinv::platform {
namespace {

// RtlGetVersion tells the truth where GetVersionEx reports the version the program's manifest
// names; it is looked up, since the import libraries do not declare it.
bool QueryVersion(RTL_OSVERSIONINFOW& info) {
  info = {};
  info.dwOSVersionInfoSize = sizeof info;
  using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    const auto query = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    if (query != nullptr && query(&info) == 0) return true;
  }
  OSVERSIONINFOW fallback{};
  fallback.dwOSVersionInfoSize = sizeof fallback;
  if (!GetVersionExW(&fallback)) return false;
  info.dwMajorVersion = fallback.dwMajorVersion;
  info.dwMinorVersion = fallback.dwMinorVersion;
  info.dwBuildNumber = fallback.dwBuildNumber;
  std::copy(std::begin(fallback.szCSDVersion), std::end(fallback.szCSDVersion),
            std::begin(info.szCSDVersion));
  return true;
}

std::string MachineName() {
  SYSTEM_INFO si{};
  GetNativeSystemInfo(&si);
  switch (si.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
      return "x86_64";
    case PROCESSOR_ARCHITECTURE_INTEL:
      return "x86";
    case PROCESSOR_ARCHITECTURE_ARM64:
      return "arm64";
    default:
      return {};
  }
}

}  // namespace

OsVersion ReadOsVersion() {
  OsVersion os;
  try {
    RTL_OSVERSIONINFOW info;
    if (!QueryVersion(info)) return os;
    os.valid = true;
    os.prettyName = "Windows";
    os.kernelName = "NT";
    os.major = info.dwMajorVersion;
    os.minor = info.dwMinorVersion;
    os.build = info.dwBuildNumber & 0xFFFF;
    os.release = std::to_string(os.major) + "." + std::to_string(os.minor);
    // The service-pack text, handed on as UTF-8 like the other systems' texts.
    os.version = GbkToUtf8(internal::WideToGbk(info.szCSDVersion));
    os.machine = MachineName();
  } catch (...) {
    return OsVersion{};
  }
  return os;
}

MemoryStatus ReadMemoryStatus() {
  MemoryStatus status;
  MEMORYSTATUSEX m{};
  m.dwLength = sizeof m;
  if (!GlobalMemoryStatusEx(&m)) return status;
  status.memoryLoad = m.dwMemoryLoad;
  status.totalPhysical = m.ullTotalPhys;
  status.availablePhysical = m.ullAvailPhys;
  status.totalPageFile = m.ullTotalPageFile;
  status.availablePageFile = m.ullAvailPageFile;
  status.totalVirtual = m.ullTotalVirtual;
  status.availableVirtual = m.ullAvailVirtual;
  return status;
}

}  // namespace vdinv::platform
