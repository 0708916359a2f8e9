// The module's exported functions: C linkage, the hosts' calling convention, nothing else
// exported. Each is checked below against its function type in VD_Inv.h, the header hosts
// build with, and the build makes the export files from that header's table.
// Every export runs its body in the guard, so no exception ever reaches the host.
#include <cstdint>
#include <type_traits>

#include "VD_Inv.h"
#include "common/guard.h"
#include "common/parameter_block.h"
#include "common/records.h"
#include "host/config_api.h"
#include "host/process.h"
#include "host/process_session.h"
#include "host/runtime_api.h"
#include "ui/test_device.h"
#include "ui/ui_context.h"
#include "ui/wizard.h"

// On Windows the .def file names the exports; on Linux they are the functions of default
// visibility while everything else is hidden (and the version script keeps it so).
#if defined(_WIN32)
#define VDINV_EXPORT extern "C"
#else
#define VDINV_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using vdinv::Guarded;
using vdinv::TTagInfo;
using vdinv::TTagValue;

namespace {

constexpr const char* kUnit = "DLLMain";

// Loading the library creates the process's state (thread slot, guard, module records, log
// path); unloading destroys it together with the unloading thread's driver object.
struct LibraryLifetime {
  LibraryLifetime() {
    Guarded(nullptr, kUnit, "DLL_PROCESS_ATTACH", [] { vdinv::host::Process::Instance(); });
  }
} g_library;

// The windows' words: the driver's own records, as the library read them when it was loaded.
vdinv::ui::UiContext DriverWords() {
  const vdinv::host::Process& process = vdinv::host::Process::Instance();
  return vdinv::ui::MakeUiContext(process.DriverModule(), process.ProductInfo());
}

}  // namespace

VDINV_EXPORT uint8_t VDINV_CALL IniDriver(int32_t count, TTagInfo** tags, void* pdb, char** msg) {
  return Guarded(nullptr, kUnit, "IniDriver", false,
                 [&] { return vdinv::host::IniDriver(count, tags, pdb, msg); });
}

VDINV_EXPORT uint8_t VDINV_CALL IniDriverEx(int32_t faultEvent) {
  return Guarded(nullptr, kUnit, "IniDriverEx", true,
                 [&] { return vdinv::host::IniDriverEx(faultEvent); });
}

VDINV_EXPORT uint8_t VDINV_CALL OnDataRead(int32_t* count, TTagValue* values, char** msg) {
  return Guarded(nullptr, kUnit, "OnDataRead", true,
                 [&] { return vdinv::host::OnDataRead(count, values, msg); });
}

VDINV_EXPORT uint8_t VDINV_CALL OnDataWrite(int32_t count, TTagValue* values, char** msg) {
  return Guarded(nullptr, kUnit, "OnDataWrite", false,
                 [&] { return vdinv::host::OnDataWrite(count, values, msg); });
}

VDINV_EXPORT uint8_t VDINV_CALL GetDeviceStatus(char** msg) {
  return Guarded(nullptr, kUnit, "GetDeviceStatus", true,
                 [&] { return vdinv::host::GetDeviceStatus(msg); });
}

VDINV_EXPORT void VDINV_CALL WriteLog(uint8_t enable, char** msg) {
  Guarded(nullptr, kUnit, "WriteLog", [&] { vdinv::host::WriteLog(enable != 0, msg); });
}

VDINV_EXPORT uint16_t VDINV_CALL DetectScanTime(void) {
  return Guarded(nullptr, kUnit, "DetectScanTime", vdinv::host::kDefaultScanTime,
                 [] { return vdinv::host::DetectScanTime(); });
}

VDINV_EXPORT uint8_t VDINV_CALL FreeDriver(void) {
  return Guarded(nullptr, kUnit, "FreeDriver", true, [] { return vdinv::host::FreeDriver(); });
}

VDINV_EXPORT int32_t VDINV_CALL GetPDBLen(void) {
  return vdinv::kPdbLength;
}

VDINV_EXPORT void* VDINV_CALL FullPDB(void* pdb) {
  return Guarded(nullptr, kUnit, "FullPDB", static_cast<void*>(nullptr),
                 [&] { return vdinv::FullPdb(pdb); });
}

VDINV_EXPORT int32_t VDINV_CALL DLLEdDev(uintptr_t hostWindow, void* pdb) {
  return Guarded(nullptr, kUnit, "DLLEdDev", int32_t{2}, [&] {
    const vdinv::host::ProcessSession session;
    return vdinv::ui::DLLEdDev(hostWindow, pdb, session, DriverWords());
  });
}

VDINV_EXPORT uint8_t VDINV_CALL DLLTestDev(void* pdb, uint8_t interactive) {
  return Guarded(nullptr, kUnit, "DLLTestDev", uint8_t{0}, [&] {
    vdinv::host::ProcessSession session;
    vdinv::platform::IClock& clock = *vdinv::host::Process::Instance().Environment().clock;
    return vdinv::ui::TestDevice(pdb, interactive, session, DriverWords(), clock);
  });
}

VDINV_EXPORT int32_t VDINV_CALL TagEdAddr(void* pdb, char** addr, uint8_t skipCheck, char** msg) {
  return Guarded(nullptr, kUnit, "TagEdAddr", int32_t{0},
                 [&] { return vdinv::host::TagEdAddr(pdb, addr, skipCheck, msg); });
}

VDINV_EXPORT void VDINV_CALL GetTagAddrList(int32_t reserved, int32_t* count,
                                            vdinv::TTagAddrTemplate* list) {
  Guarded(nullptr, kUnit, "GetTagAddrList",
          [&] { vdinv::host::GetTagAddrList(reserved, count, list); });
}

// Every export of the header's table is defined here with exactly the header's type, so a name
// added to the table without a definition, or a signature changed on either side, stops the
// build.
#define VDINV_CHECK_EXPORT(name, stack)                               \
  static_assert(std::is_same_v<decltype(&::name), VdInv_##name##_Fn>, \
                #name " differs from its type in VD_Inv.h");
VDINV_EXPORTS(VDINV_CHECK_EXPORT)
#undef VDINV_CHECK_EXPORT
