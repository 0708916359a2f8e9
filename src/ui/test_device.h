// DLLTestDev: the device test window on a private copy of the host's block, shown when asked
// and views are available, else the silent check; afterwards the driver object that the
// window started on the calling thread is freed and the thread's slot cleared.
#pragma once

#include <cstdint>

#include "host/driver_session.h"
#include "platform/clock.h"
#include "ui/test_window.h"
#include "ui/ui_context.h"

namespace vdinv::ui {

// 1 when a read of the test tag was answered, else 0 (also for a null block).
uint8_t TestDevice(void* pdb, uint8_t interactive, IViews* views, host::DriverSession& session,
                   platform::IClock& clock, TestWindow::SleepFunction sleep);
// The export's form: the installed views (with the driver's words when shown) and the system's
// sleep.
uint8_t TestDevice(void* pdb, uint8_t interactive, host::DriverSession& session,
                   const UiContext& context, platform::IClock& clock);

}  // namespace vdinv::ui
