// Every window's description, for the checks that hold for all of them.
#include "ui/device_pages.h"
#include "ui/form_plans.h"

namespace vdinv::ui {

std::vector<platform::FormPlan> AllFormPlans() {
  return {StartPageForm(),
          ConnectionPageForm(),
          SingleDevicePageForm(),
          DeviceListPageForm(DeviceListPage::Mode::kCreate),
          DeviceListPageForm(DeviceListPage::Mode::kModify),
          SerialPageForm(),
          SummaryPageForm(),
          DebugFormPlan(),
          TestWindowForm()};
}

}  // namespace vdinv::ui
