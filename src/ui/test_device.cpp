#include "ui/test_device.h"

#include "common/parameter_block.h"
#include "platform/interrupt.h"
#include "ui/installed_views.h"
#include "ui/toolkit_views.h"

namespace vdinv::ui {

uint8_t TestDevice(void* pdb, uint8_t interactive, IViews* views, host::DriverSession& session,
                   platform::IClock& clock, TestWindow::SleepFunction sleep) {
  if (pdb == nullptr) return 0;
  TDevParmBlock copy{};
  CopyPdb(LoadPdb(pdb), copy);
  bool passed = false;
  {
    TestWindow window(session, clock, std::move(sleep));
    passed = window.Run(&copy, interactive != 0, views);
  }
  session.Release();
  return passed ? 1 : 0;
}

uint8_t TestDevice(void* pdb, uint8_t interactive, host::DriverSession& session,
                   const UiContext& context, platform::IClock& clock) {
  auto sleep = [](uint32_t ms) { platform::SleepMilliseconds(ms); };
  // The silent check shows no window, so it never loads a toolkit; installed views still hear
  // of a device that cannot be tested.
  if (interactive == 0) {
    return TestDevice(pdb, interactive, InstalledViews(), session, clock, sleep);
  }
  AvailableViews views(context.deviceName);
  return TestDevice(pdb, interactive, views.Get(), session, clock, sleep);
}

}  // namespace vdinv::ui
