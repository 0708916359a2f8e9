// The configuration side's windows as the toolkit builds them: every control by its window name,
// kind and place. Captions and texts are not part of a description; the presenters give them
// when the window opens. Hidden controls are described like the others and shown hidden. Each
// window's description is in src/ui/windows, in one file with its binder.
#pragma once

#include <vector>

#include "platform/toolkit.h"
#include "ui/device_pages.h"

namespace vdinv::ui {

// Every wizard page has this size, so that the pages replace each other in one place.
inline constexpr int kPageWidth = 520;
inline constexpr int kPageHeight = 380;

platform::FormPlan StartPageForm();
platform::FormPlan ConnectionPageForm();
platform::FormPlan SingleDevicePageForm();
platform::FormPlan DeviceListPageForm(DeviceListPage::Mode mode);
platform::FormPlan SerialPageForm();
platform::FormPlan SummaryPageForm();
platform::FormPlan DebugFormPlan();
// The test window in its normal height; its advanced panel DebugPn lies below it.
platform::FormPlan TestWindowForm();

// Every window, in the order above (the device list in both modes).
std::vector<platform::FormPlan> AllFormPlans();

}  // namespace vdinv::ui
