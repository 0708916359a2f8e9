// The configuration wizard's page loop (DLLEdDev): one process-wide run at a time over the
// host's block, each page shown modally through the installed views until a page leaves 0 or 8
// as the next page. The loop knows each page only by the function that shows it, so that tests
// can put their own in place of pages 3..7 (UsePage).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "host/driver_session.h"
#include "ui/ui_context.h"
#include "ui/views.h"
#include "ui/wizard_run.h"

namespace vdinv::ui {

// Shows one page: creates its presenter on the run, shows it with views.Show and returns when
// it has closed, leaving the next page in the run.
using ShowPage = std::function<void(WizardRun& run, const UiContext& context, IViews& views)>;
// The function of each page number 1..7 (index 0 unused); an empty entry ends the wizard.
using WizardPages = std::array<ShowPage, kPageEnd>;

// The seven pages of the wizard; the start page opens the debug form on the driver's log path
// (GBK).
WizardPages BuiltInPages(const std::string& logPath);
// Puts another page in place of number 3..7 (process-wide, thread-safe); an empty function
// brings back the wizard's own.
void UsePage(uint8_t page, ShowPage show);
// The built-in pages together with those installed.
WizardPages InstalledPages(const std::string& logPath);

// Shows the pages from the start page on until one leaves 0 or 8 (or a page that is not there)
// as the next page.
void RunPageLoop(WizardRun& run, const UiContext& context, IViews& views, const WizardPages& pages);

// DLLEdDev with everything it uses handed in: 1 when the run ends with the changed flag set,
// else 2. Without views or without a block nothing is shown or changed and the result is 2, and
// so while another run is going on. The host's window owns the pages for the run.
int32_t EditDevice(uintptr_t hostWindow, void* block, IViews* views, const UiContext& context,
                   const WizardPages& pages);

// DLLEdDev: the installed views and pages on the session's log path, the driver's own words.
int32_t DLLEdDev(uintptr_t hostWindow, void* block, const host::DriverSession& session,
                 const UiContext& context);

}  // namespace vdinv::ui
