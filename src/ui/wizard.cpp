#include "ui/wizard.h"

#include <atomic>
#include <mutex>
#include <type_traits>
#include <utility>

#include "platform/threading.h"
#include "ui/connection_page.h"
#include "ui/device_pages.h"
#include "ui/installed_views.h"
#include "ui/serial_page.h"
#include "ui/start_page.h"
#include "ui/summary_page.h"
#include "ui/toolkit_views.h"

namespace vdinv::ui {
namespace {

constexpr uint32_t kInfinite = 0xFFFFFFFF;

// The pages installed in place of the wizard's own; an empty entry leaves the wizard's own.
std::mutex g_pagesMutex;
WizardPages& Installed() {
  static WizardPages pages;
  return pages;
}

// The wizard's state lives for the process; one run uses it at a time.
WizardRun& TheRun() {
  static WizardRun run;
  return run;
}
std::atomic<bool> g_running{false};

// Holds the process's only run for the lifetime of the object, or fails to.
class RunClaim {
 public:
  RunClaim() : held_(!g_running.exchange(true)) {}
  ~RunClaim() {
    if (held_) g_running.store(false);
  }
  RunClaim(const RunClaim&) = delete;
  RunClaim& operator=(const RunClaim&) = delete;
  bool Held() const { return held_; }

 private:
  bool held_;
};

// The host's window owns the windows for the run; the previous owner comes back afterwards,
// also when a page fails.
class OwnerWindow {
 public:
  OwnerWindow(IViews& views, uintptr_t window)
      : views_(views), previous_(views.SetOwnerWindow(window)) {}
  ~OwnerWindow() { views_.SetOwnerWindow(previous_); }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;

 private:
  IViews& views_;
  uintptr_t previous_;
};

// The function that makes a Page on the run (with the views when it takes them, and the extra
// arguments) and shows it.
template <typename Page, typename... Extra>
ShowPage Shows(Extra... extra) {
  return [extra...](WizardRun& run, const UiContext& context, IViews& views) {
    if constexpr (std::is_constructible_v<Page, WizardRun&, const UiContext&, IViews&, Extra...>) {
      Page page(run, context, views, extra...);
      views.Show(page);
    } else {
      Page page(run, context, extra...);
      views.Show(page);
    }
  };
}

}  // namespace

WizardPages BuiltInPages(const std::string& logPath) {
  WizardPages pages;
  pages[kPageStart] = Shows<StartPage>(logPath);
  pages[kPageConnection] = Shows<ConnectionPage>();
  pages[kPageModifyList] = Shows<DeviceListPage>(DeviceListPage::Mode::kModify);
  pages[kPageSingleDevice] = Shows<SingleDevicePage>();
  pages[kPageCreateList] = Shows<DeviceListPage>(DeviceListPage::Mode::kCreate);
  pages[kPageSerial] = Shows<SerialPage>();
  pages[kPageSummary] = Shows<SummaryPage>();
  return pages;
}

void UsePage(uint8_t page, ShowPage show) {
  if (page <= kPageConnection || page >= kPageEnd) return;  // the built-in pages stay
  std::lock_guard lock(g_pagesMutex);
  Installed()[page] = std::move(show);
}

WizardPages InstalledPages(const std::string& logPath) {
  WizardPages pages = BuiltInPages(logPath);
  std::lock_guard lock(g_pagesMutex);
  for (size_t page = 0; page < pages.size(); ++page) {
    if (Installed()[page]) pages[page] = Installed()[page];
  }
  return pages;
}

void RunPageLoop(WizardRun& run, const UiContext& context, IViews& views,
                 const WizardPages& pages) {
  uint8_t page = kPageStart;
  while (page != kPageNone && page < kPageEnd && pages[page]) {
    pages[page](run, context, views);
    page = run.NextPage();
  }
}

int32_t EditDevice(uintptr_t hostWindow, void* block, IViews* views, const UiContext& context,
                   const WizardPages& pages) {
  constexpr int32_t kChanged = 1;
  constexpr int32_t kUnchanged = 2;
  if (views == nullptr || block == nullptr) return kUnchanged;
  RunClaim claim;
  if (!claim.Held()) return kUnchanged;

  platform::AutoResetEvent ended(false);
  WizardRun& run = TheRun();
  run.Begin(block);
  bool waited = false;
  {
    OwnerWindow owner(*views, hostWindow);
    RunPageLoop(run, context, *views, pages);
    ended.Signal();
    waited = ended.Wait(kInfinite);
  }
  return waited && run.Changed() ? kChanged : kUnchanged;
}

int32_t DLLEdDev(uintptr_t hostWindow, void* block, const host::DriverSession& session,
                 const UiContext& context) {
  AvailableViews views(context.deviceName);
  return EditDevice(hostWindow, block, views.Get(), context, InstalledPages(session.LogPath()));
}

}  // namespace vdinv::ui
