#include "ui/test_device.h"

#include "common/parameter_block.h"
#include "host/process.h"
#include "platform/interrupt.h"
#include "ui/installed_views.h"
#include "ui/toolkit_views.h"
#include "ui/ui_context.h"

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
  host::Process& process = host::Process::Instance();
  platform::IClock& clock = *process.Environment().clock;
  auto sleep = [](uint32_t ms) { platform::SleepMilliseconds(ms); };
  // The silent check shows no window, so it never loads a toolkit; installed views still hear
  // of a device that cannot be tested.
  if (interactive == 0) return TestDevice(pdb, interactive, InstalledViews(), clock, sleep);
  const UiContext context = MakeUiContext(process.DriverModule(), process.ProductInfo());
  AvailableViews views(context.deviceName);
  return TestDevice(pdb, interactive, views.Get(), clock, sleep);
}

}  // namespace vdinv::ui
