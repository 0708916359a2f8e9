// What the loaded library keeps for the whole process: the thread slot holding each host
// thread's driver object, the initialisation guard TLSEvent, the module records and the log
// path. The records and the path are computed once, when the library is loaded, and never
// rewritten while other threads read them.
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "common/module_info.h"
#include "engine/driver_environment.h"
#include "platform/threading.h"
#include "protocol/dll_object.h"

namespace vdinv::host {

class Process {
 public:
  // The process's instance, created on first use (the library's load).
  static Process& Instance();

  Process();
  // The library's unload: ends the line threads of every host thread's object (they run the
  // library's code) and destroys the calling thread's object.
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The guard that admits one IniDriver at a time; null when it could not be created.
  platform::AutoResetEvent* InitGuard() { return initGuard_.get(); }

  const TModuleInfo& HostModule() const { return hostModule_; }
  const TModuleInfo& DriverModule() const { return driverModule_; }
  const TProductInfo& ProductInfo() const { return productInfo_; }
  const std::string& LogPath() const { return logPath_; }

  // The surroundings handed to every new driver object.
  engine::DriverEnvironment Environment() const;
  // The line thread switch, read afresh at each call: the value LineThread of the driver's
  // own registry key.
  static bool LineThreadSwitch();
  // Replaces the clock and the log path of driver objects created afterwards (for programs
  // and tests that embed the engine); null / empty restores the system's.
  void UseClock(platform::IClock* clock);
  void UseLogPath(const std::string& path);
  // Replaces the serial devices of lines initialised afterwards; empty restores the platform's.
  void UseSerialDevices(std::function<std::unique_ptr<platform::ISerialDevice>()> devices);

  // The calling thread's driver object, or null.
  protocol::TDLLObject* ThreadDriver() const;
  // Destroys the calling thread's object (stopping it first) and stores the new one; false
  // (the new one released) when the thread slot could not be made.
  bool ReplaceThreadDriver(std::unique_ptr<protocol::TDLLObject> driver);
  // Starts the line thread of an initialised object when its environment asks for it, and
  // keeps it among the running lines; EndLine ends it and forgets it.
  void StartLine(protocol::TDLLObject& driver);
  void EndLine(protocol::TDLLObject& driver);

 private:
  // The thread slot's destructor, as a thread ends: an object whose line thread runs is handed
  // to that thread where the end may not wait for it (protocol/line_thread.h).
  static void DestroyDriver(void* driver);
  void ForgetLine(protocol::TDLLObject* driver);

  TModuleInfo hostModule_;
  TModuleInfo driverModule_;
  TProductInfo productInfo_;
  std::string logPath_;
  mutable std::mutex overrideMutex_;
  std::string logPathOverride_;
  platform::IClock* clockOverride_ = nullptr;
  std::function<std::unique_ptr<platform::ISerialDevice>()> serialOverride_;
  // The objects whose line thread runs, of every host thread. Before the slot: the slot's
  // destructor still forgets its object here.
  std::mutex linesMutex_;
  std::set<protocol::TDLLObject*> lines_;
  platform::ThreadSlot slot_;
  std::unique_ptr<platform::AutoResetEvent> initGuard_;
};

}  // namespace vdinv::host
