#include "host/process.h"

#include "common/guard.h"
#include "host/install_paths.h"
#include "host/module_info.h"
#include "platform/profile.h"
#include "platform/threading.h"
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

Process::~Process() {
  Guarded(nullptr, "DLLMain", "DLL_PROCESS_DETACH", [&] {
    if (platform::ProcessEnding()) {
      // The process's other threads are gone, whatever they held of an object they shared with
      // a line thread: such an object is left to the system. The others end as at an unload.
      protocol::TDLLObject* own = ThreadDriver();
      if (own != nullptr && own->Line() != nullptr) slot_.Set(nullptr);
      return;
    }
    // A line thread runs the library's code: it ends before the library goes. Its object stays
    // its host thread's (the thread may still poll it). Where the end may not wait none runs: a
    // running line thread keeps the library loaded.
    if (!platform::ModuleEndMayWait()) return;
    std::lock_guard lock(linesMutex_);
    for (protocol::TDLLObject* driver : lines_) driver->Line()->End();
  });
}

void Process::DestroyDriver(void* driver) {
  auto* object = static_cast<protocol::TDLLObject*>(driver);
  Guarded(nullptr, "DLLMain", "DLL_THREAD_DETACH", [&] {
    if (object->Line() != nullptr) {
      Instance().ForgetLine(object);
      if (!platform::ModuleEndMayWait()) {
        protocol::LineThread::HandOver(std::unique_ptr<protocol::TCustomDLLObject>(object));
        return;
      }
    }
    delete object;
  });
}

void Process::StartLine(protocol::TDLLObject& driver) {
  if (!driver.StartLineThread()) return;
  std::lock_guard lock(linesMutex_);
  lines_.insert(&driver);
}

void Process::EndLine(protocol::TDLLObject& driver) {
  ForgetLine(&driver);
  driver.EndLineThread();
}

void Process::ForgetLine(protocol::TDLLObject* driver) {
  std::lock_guard lock(linesMutex_);
  lines_.erase(driver);
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
  ForgetLine(old);
  delete old;
  slot_.Set(driver.release());
  return true;
}

}  // namespace vdinv::host
