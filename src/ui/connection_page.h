// The wizard's connection page (TStep1Frm): one device on RS232 or several on RS485/RS422; the
// automatic creation exists but stays hidden.
#pragma once

#include <string_view>

#include "ui/wizard_page.h"

namespace vdinv::ui {

class ConnectionPage : public WizardPageBase {
 public:
  ConnectionPage(WizardRun& run, const UiContext& context, IViews& views);

  // A double click on the page itself acts as "下一步".
  void PageDoubleClicked() { Next(); }
  // "下一步": one device → single device page with LinkMode 0; several → device list for
  // creating with LinkMode 1; automatic → a defaulted block with LinkMode 1, changed, summary.
  void Next() override;
};

}  // namespace vdinv::ui
