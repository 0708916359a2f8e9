#include "ui/test_device.h"

#include "common/parameter_block.h"
#include "host/process.h"
#include "platform/interrupt.h"
#include "ui/installed_views.h"

namespace vdinv::ui {

uint8_t TestDevice(void* pdb, uint8_t interactive, IViews* views, platform::IClock& clock,
                   TestWindow::SleepFunction sleep) {
  if (pdb == nullptr) return 0;
  TDevParmBlock copy{};
  CopyPdb(LoadPdb(pdb), copy);
  bool passed = false;
  {
    TestWindow window(clock, std::move(sleep));
    passed = window.Run(&copy, interactive != 0, views);
  }
  host::Process& process = host::Process::Instance();
  if (process.ThreadDriver() != nullptr) process.ReplaceThreadDriver(nullptr);
  return passed ? 1 : 0;
}

uint8_t TestDevice(void* pdb, uint8_t interactive) {
  platform::IClock& clock = *host::Process::Instance().Environment().clock;
  return TestDevice(pdb, interactive, InstalledViews(), clock,
                    [](uint32_t ms) { platform::SleepMilliseconds(ms); });
}

}  // namespace vdinv::ui
