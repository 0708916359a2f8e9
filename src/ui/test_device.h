// DLLTestDev: the device test window on a private copy of the host's block, shown when asked
// and views are available, else the silent check; afterwards the driver object that the
// window started on the calling thread is freed and the thread's slot cleared.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "ui/test_window.h"

namespace vdinv::ui {

// 1 when a read of the test tag was answered, else 0 (also for a null block).
uint8_t TestDevice(void* pdb, uint8_t interactive, IViews* views, platform::IClock& clock,
                   TestWindow::SleepFunction sleep);
// The export's form: the installed views, the process's clock and the system's sleep.
uint8_t TestDevice(void* pdb, uint8_t interactive);

}  // namespace vdinv::ui
