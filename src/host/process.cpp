#include "host/process.h"

#include "common/guard.h"
#include "host/install_paths.h"
#include "host/module_info.h"
#include "platform/profile.h"
#include "platform/version_resource.h"

namespace vdinv::host {

Process& Process::Instance() {
  static Process process;
  return process;
}

Process::Process() : slot_(&Process::DestroyDriver) {
  ReadHostModuleInfo(hostModule_);
  ReadModuleInfo(platform::DriverModuleFileName(), driverModule_);
  ReadProductInfo(platform::DriverModuleFileName(), productInfo_);
  logPath_ = ComputeLogPath();
  initGuard_ = std::make_unique<platform::AutoResetEvent>(true);
}

Process::~Process() = default;

void Process::DestroyDriver(void* driver) {
  Guarded(nullptr, "DLLMain", "DLL_THREAD_DETACH",
          [&] { delete static_cast<protocol::TDLLObject*>(driver); });
}

engine::DriverEnvironment Process::Environment() const {
  engine::DriverEnvironment env;
  env.hostModule = &hostModule_;
  env.driverModule = &driverModule_;
  std::lock_guard lock(overrideMutex_);
  env.logPath = logPathOverride_.empty() ? logPath_ : logPathOverride_;
  env.clock = clockOverride_ != nullptr ? clockOverride_ : &platform::SystemClock();
  env.serialDevices = serialOverride_;
  return env;
}

bool Process::LineThreadSwitch() {
  return platform::ReadRegistrySwitch("Software\\KORVI\\VD_Inv", "LineThread");
}

void Process::UseClock(platform::IClock* clock) {
  std::lock_guard lock(overrideMutex_);
  clockOverride_ = clock;
}

void Process::UseSerialDevices(std::function<std::unique_ptr<platform::ISerialDevice>()> devices) {
  std::lock_guard lock(overrideMutex_);
  serialOverride_ = std::move(devices);
}

void Process::UseLogPath(const std::string& path) {
  std::lock_guard lock(overrideMutex_);
  logPathOverride_ = path;
}

protocol::TDLLObject* Process::ThreadDriver() const {
  return slot_.Valid() ? static_cast<protocol::TDLLObject*>(slot_.Get()) : nullptr;
}

bool Process::ReplaceThreadDriver(std::unique_ptr<protocol::TDLLObject> driver) {
  if (!slot_.Valid()) return false;
  auto* old = static_cast<protocol::TDLLObject*>(slot_.Get());
  slot_.Set(nullptr);
  delete old;
  slot_.Set(driver.release());
  return true;
}

}  // namespace vdinv::host
