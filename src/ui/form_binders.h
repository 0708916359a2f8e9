// The binder of each window: which event calls which action of its presenter, and what the
// presenter's state means for each control. The presenter must outlive its binder. Each binder
// is in src/ui/windows, in one file with its window's description.
#pragma once

#include "ui/form_binding.h"
#include "ui/views.h"  // the presenters' classes

namespace vdinv::ui {

FormBinder Bind(StartPage& page);
FormBinder Bind(ConnectionPage& page);
FormBinder Bind(SingleDevicePage& page);
FormBinder Bind(DeviceListPage& page);
FormBinder Bind(SerialPage& page);
FormBinder Bind(SummaryPage& page);
FormBinder Bind(DebugForm& form);
FormBinder Bind(TestWindow& window);

}  // namespace vdinv::ui
