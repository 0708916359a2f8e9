#include "ui/wizard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_session.h"
#include "flow_views.h"
#include "platform/toolkit.h"
#include "support/device_block.h"
#include "ui/connection_page.h"
#include "ui/control_ids.h"
#include "ui/debug_form.h"
#include "ui/device_pages.h"
#include "ui/installed_views.h"
#include "ui/serial_page.h"
#include "ui/start_page.h"
#include "ui/summary_page.h"
#include "ui/wizard_page.h"

namespace vdinv::ui {
namespace {

using test::FlowViews;

std::vector<uint8_t> HostBlock(bool needsNormalising = false) {
  TDevParmBlock pdb = vdinv::test::DevicesBlock({{1, kModelG11S}});
  if (needsNormalising) pdb.Devices[2].Model = 5;  // a model code the table does not know
  std::vector<uint8_t> block(kPdbLength, 0);
  StorePdb(block.data(), pdb);
  return block;
}

// Pages beyond the connection page stand in for the device, serial and summary pages: each
// records its visit and acts as the test says.
struct Wizard {
  FlowViews views;
  UiContext context = test::DriverWords();
  WizardPages pages = BuiltInPages({});
  std::vector<int> shown;

  void Page(uint8_t number, std::function<void(WizardRun&)> act) {
    pages[number] = [this, number, act](WizardRun& run, const UiContext&, IViews&) {
      shown.push_back(number);
      run.SetNextPage(kPageEnd);
      act(run);
    };
  }
  int32_t Run(void* block, uintptr_t window = 0) {
    return EditDevice(window, block, &views, context, pages);
  }
};

void Finish(WizardRun& run) {
  run.SetNextPage(kPageEnd);
  run.WriteBack();
}

// The result says whether the host's block is to be stored: the changed flag at the end.
TEST(Wizard, TheResultIsOneExactlyWhenTheRunEndsWithTheBlockChanged) {
  struct Case {
    const char* what;
    bool needsNormalising;
    std::function<void(StartPage&)> onStart;
    int32_t result;
  };
  const Case cases[] = {
      {"cancelled at the start", false, [](StartPage& p) { p.Cancel(); }, 2},
      {"cancelled, block normalised", true, [](StartPage& p) { p.Cancel(); }, 1},
      {"browsed and finished", false, [](StartPage& p) { p.OptionDoubleClicked(names::BrowseOp); },
       2},
      {"closed by the frame", false, [](StartPage&) {}, 2},
      {"new device, then cancelled", false, [](StartPage& p) { p.Next(); }, 2},
      {"debug form closed with its button", false,
       [](StartPage& p) {
         p.Debug();
         p.Cancel();
       },
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> host = HostBlock(c.needsNormalising);
    Wizard w;
    w.views.onStart = c.onStart;
    w.views.onConnection = [](ConnectionPage& p) { p.Cancel(); };
    w.views.onDebug = [](DebugForm& f) {
      f.DebugClicked(true);
      f.Finish();
    };
    w.Page(kPageSummary, Finish);
    EXPECT_EQ(w.Run(host.data()), c.result);
  }
}

// The wizard's own pages one after the other: a new line of several devices, two added, the
// serial page passed, finished on the summary.
TEST(Wizard, ANewLineOfSeveralDevicesIsWalkedThroughToTheSummary) {
  Wizard w;
  w.views.onStart = [](StartPage& page) { page.Next(); };  // "新建设备" is chosen at start
  w.views.onConnection = [](ConnectionPage& page) {
    page.Choose(names::MulCreate);
    page.Next();
  };
  w.views.onDeviceList = [](DeviceListPage& page) {
    page.IdLeft("3");
    page.ModelChosen(kModelP11S);
    page.AddClicked();
    page.IdLeft("8");
    page.AddClicked();
    page.Next();
  };
  w.views.onSerial = [](SerialPage& page) { page.Next(); };
  w.views.onSummary = [](SummaryPage& page) { page.Finish(); };
  std::vector<uint8_t> host = HostBlock();
  EXPECT_EQ(w.Run(host.data()), 1);
  const TDevParmBlock pdb = LoadPdb(host.data());
  EXPECT_EQ(pdb.LinkMode, 1);
  EXPECT_EQ(pdb.Devices[1].Model, kModelG11S);
  EXPECT_EQ(pdb.Devices[3].Model, kModelP11S);
  EXPECT_EQ(pdb.Devices[8].Model, kModelP11S);
}

TEST(Wizard, NormalisingAndWritingBackReachTheHostsBlock) {
  std::vector<uint8_t> host = HostBlock(/*needsNormalising=*/true);
  Wizard w;
  w.views.onStart = [](StartPage& p) { p.Cancel(); };
  w.Run(host.data());
  EXPECT_EQ(LoadPdb(host.data()).Devices[2].Model, kModelNone);  // normalised in place

  w.views.onStart = [](StartPage& p) { p.OptionDoubleClicked(names::BrowseOp); };
  w.Page(kPageSummary, [](WizardRun& run) {
    run.Working().ComPort = 3;
    Finish(run);
  });
  EXPECT_EQ(w.Run(host.data()), 2);
  EXPECT_EQ(LoadPdb(host.data()).ComPort, 3);
}

TEST(Wizard, BackFromTheSerialPageReturnsToTheDeviceListForModifying) {
  std::vector<uint8_t> host = HostBlock();
  Wizard w;
  w.views.onStart = [](StartPage& p) { p.OptionDoubleClicked(names::ModifyOp); };
  int listVisits = 0;
  w.Page(kPageModifyList, [&](WizardRun& run) {
    if (++listVisits == 1) {
      run.GoNext(kPageModifyList, kPageSerial);
    } else {
      run.Cancel(true);
    }
  });
  w.Page(kPageSerial, [](WizardRun& run) { run.GoBack(); });
  EXPECT_EQ(w.Run(host.data()), 2);
  EXPECT_EQ(w.shown, (std::vector<int>{kPageModifyList, kPageSerial, kPageModifyList}));
}

TEST(Wizard, APageThatIsNotInstalledEndsTheRun) {
  std::vector<uint8_t> host = HostBlock();
  Wizard w;
  w.views.onStart = [](StartPage& p) { p.OptionDoubleClicked(names::ModifyOp); };
  EXPECT_EQ(w.Run(host.data()), 2);
}

TEST(Wizard, WithoutViewsOrWithoutABlockNothingIsShownOrChanged) {
  std::vector<uint8_t> host = HostBlock(/*needsNormalising=*/true);
  const std::vector<uint8_t> before = host;
  Wizard w;
  int starts = 0;
  w.views.onStart = [&](StartPage&) { ++starts; };
  EXPECT_EQ(EditDevice(0, host.data(), nullptr, w.context, w.pages), 2);
  EXPECT_EQ(host, before);
  EXPECT_EQ(w.Run(nullptr), 2);
  EXPECT_EQ(starts, 0);
}

TEST(Wizard, ASecondRunWhileOneIsGoingOnIsRefused) {
  std::vector<uint8_t> host = HostBlock();
  std::vector<uint8_t> other = HostBlock(/*needsNormalising=*/true);
  const std::vector<uint8_t> otherBefore = other;
  Wizard w;
  int32_t inner = 0;
  w.views.onStart = [&](StartPage& p) {
    inner = w.Run(other.data());
    p.Cancel();
  };
  EXPECT_EQ(w.Run(host.data()), 2);
  EXPECT_EQ(inner, 2);
  EXPECT_EQ(other, otherBefore);
  EXPECT_EQ(w.Run(other.data()), 1);  // once the first has ended, the next run goes ahead
}

TEST(Wizard, TheHostsWindowOwnsThePagesForTheRun) {
  std::vector<uint8_t> host = HostBlock();
  Wizard w;
  w.views.owner = 77;
  uintptr_t ownerWhileShown = 0;
  w.views.onStart = [&](StartPage& p) {
    ownerWhileShown = w.views.owner;
    p.Cancel();
  };
  w.Run(host.data(), 0x3A00007);
  EXPECT_EQ(ownerWhileShown, 0x3A00007u);
  EXPECT_EQ(w.views.owner, 77u);
}

// The export shows the views and pages installed in the process, in the driver words it is given.
TEST(Wizard, TheExportShowsTheInstalledViewsAndPages) {
  std::vector<uint8_t> host = HostBlock();
  FlowViews views;
  std::string caption;
  views.onStart = [&](StartPage& p) {
    caption = p.Caption();
    p.OptionDoubleClicked(names::BrowseOp);
  };
  int summaries = 0;
  UsePage(kPageSummary, [&](WizardRun& run, const UiContext&, IViews&) {
    ++summaries;
    run.SetChanged();
    Finish(run);
  });
  vdinv::test::FakeSession session;
  const UiContext words = test::DriverWords();
  UseViews(&views);
  EXPECT_EQ(DLLEdDev(0, host.data(), session, words), 1);
  UseViews(nullptr);
  UsePage(kPageSummary, nullptr);
  // Without views the system's toolkit shows the pages; without one either, nothing is shown.
  if (platform::Toolkit() == nullptr) {
    EXPECT_EQ(DLLEdDev(0, host.data(), session, words), 2);
  }
  EXPECT_EQ(summaries, 1);
  EXPECT_EQ(caption, "富士变频器向导：选择执行的操作方式");
}

}  // namespace
}  // namespace vdinv::ui
