#include "ui/toolkit_views.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "flow_views.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/device_block.h"
#include "support/fake_toolkit.h"
#include "support/temp_dir.h"
#include "ui/control_ids.h"
#include "ui/form_plans.h"
#include "ui/start_page.h"
#include "ui/test_window.h"
#include "ui/wizard.h"

namespace vdinv::ui {
namespace {

using namespace vdinv::test;  // the fake toolkit's actions
using platform::ControlKind;
using Lines = std::vector<std::string>;

constexpr uintptr_t kHostWindow = 0x3A00007;

// The wizard over the fake toolkit, from the host's block to DLLEdDev's result.
struct ToolkitWizard {
  explicit ToolkitWizard(TDevParmBlock block) : host(kPdbLength, 0) {
    StorePdb(host.data(), block);
    pages[kPageStart] = [this](WizardRun& run, const UiContext& context, IViews& shown) {
      StartPage page(run, context, shown, platform::Utf8ToGbk(log));
      shown.Show(page);
    };
  }
  int32_t Run(std::vector<UserAction> script) {
    toolkit.Script(std::move(script));
    return EditDevice(kHostWindow, host.data(), &views, context, pages);
  }
  TDevParmBlock Host() const { return LoadPdb(host.data()); }
  const FakeForm& Form(const std::string& name) const { return toolkit.Form(name); }

  std::vector<uint8_t> host;
  FakeToolkit toolkit;
  UiContext context = test::DriverWords();
  ToolkitViews views{toolkit, context.deviceName};
  WizardPages pages = BuiltInPages({});
  TempDir dir;
  std::string log = dir.File("VD_Inv.Log");
};

// Every window: names unique, each with its id from the shared list, every parent a group or
// panel described before the controls it holds, and every control inside its parent (the test
// window's advanced panel inside the advanced height).
TEST(FormPlans, EveryControlHasAnIdAndAParentDescribedBeforeItWithRoomForIt) {
  for (const platform::FormPlan& form : AllFormPlans()) {
    SCOPED_TRACE(form.name);
    std::map<std::string, const platform::ControlPlan*> seen;
    const int height = form.name == "TSampleTest" ? TestWindow::kAdvancedHeight : form.height;
    for (const platform::ControlPlan& c : form.controls) {
      SCOPED_TRACE(c.name);
      EXPECT_NE(c.id, 0);
      EXPECT_EQ(c.id, ControlId(c.name));
      EXPECT_TRUE(seen.emplace(c.name, &c).second) << "described twice";
      int parentWidth = form.width;
      int parentHeight = height;
      if (!c.parent.empty()) {
        auto parent = seen.find(c.parent);
        ASSERT_NE(parent, seen.end()) << "parent not described before";
        const ControlKind kind = parent->second->kind;
        EXPECT_TRUE(kind == ControlKind::kGroup || kind == ControlKind::kPanel);
        parentWidth = parent->second->width;
        parentHeight = parent->second->height;
      }
      EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.width > 0 && c.height > 0);
      EXPECT_LE(c.x + c.width, parentWidth);
      EXPECT_LE(c.y + c.height, parentHeight);
    }
  }
  for (const platform::FormPlan& page : AllFormPlans()) {
    if (page.name[0] == 'T' && page.name.find("Frm") != std::string::npos &&
        page.name != "TDebugFrm") {
      EXPECT_EQ(page.width, kPageWidth) << page.name;
      EXPECT_EQ(page.height, kPageHeight) << page.name;
    }
  }
}

// New → several devices → two devices added → the baud rate changed → "完成": the host's block
// holds the devices and the rate, and the result is 1. Each page is owned by the host's window
// and shows what its presenter holds.
TEST(ToolkitViews, TheWizardWalkWritesTheBlockThatTheUserMade) {
  ToolkitWizard w(DevicesBlock({}));
  const int32_t result = w.Run({
      Click(names::NextBtn),  // 新建设备 is chosen at the start
      Click(names::MulCreate),
      Click(names::NextBtn),
      Select(names::DevTypeEd, 0),
      Type(names::IDEd, "3"),
      Click(names::AddBtn),
      Select(names::DevTypeEd, 1),
      Type(names::IDEd, "5"),
      Click(names::AddBtn),
      Call([&] {
        const FakeForm& list = w.toolkit.Top();
        EXPECT_EQ(list.State(names::DeviceTree).items, (Lines{"3：G11S", "5：P11S"}));
        EXPECT_EQ(list.State(names::IDEd).text, "0");  // the first free number
      }),
      Click(names::NextBtn),
      Select(names::BautEd, 8),
      Type(names::OutTimeEd, "5x"),
      Call([&] { EXPECT_EQ(w.toolkit.Top().State(names::OutTimeEd).text, "5x"); }),  // as typed
      Leave(names::OutTimeEd),
      Call([&] { EXPECT_EQ(w.toolkit.Top().State(names::OutTimeEd).text, "1000"); }),
      Type(names::OutTimeEd, "5"),
      Click(names::NextBtn),  // takes the edit that still has the focus first
      Click(names::FinishBtn),
  });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(w.toolkit.Faults().empty()) << ::testing::PrintToString(w.toolkit.Faults());
  EXPECT_EQ(w.toolkit.FormNames(),
            (Lines{"TStartFrm", "TStep1Frm", "TStep12Frm", "TStep4Frm", "TEndFrm"}));
  for (const auto& form : w.toolkit.Forms()) EXPECT_EQ(form->Owner(), kHostWindow);
  EXPECT_EQ(w.Form("TStep1Frm").Caption(), "富士变频器向导：选择创建设备的方式");
  EXPECT_FALSE(w.Form("TStep1Frm").State(names::AutoCreate).visible);
  const FakeForm& summary = w.Form("TEndFrm");
  EXPECT_EQ(summary.State(names::ComArgMemo).items[1], "波特率 = 19200  无校验");
  EXPECT_EQ(summary.State(names::DeviceTree).items, (Lines{"3：G11S", "5：P11S"}));
  EXPECT_FALSE(summary.State(names::PrnBtn).visible);
  const TDevParmBlock host = w.Host();
  EXPECT_EQ(host.Devices[3].Model, kModelG11S);
  EXPECT_EQ(host.Devices[5].Model, kModelP11S);
  EXPECT_EQ(host.LinkMode, 1);
  EXPECT_EQ(host.BaudIndex, 8);
  EXPECT_EQ(host.OutTime, 10);
}

// "取消" on a later page ends the wizard with 2 and leaves the host's block as it was; closing
// the page by its frame ends it too, without writing.
TEST(ToolkitViews, CancelOrTheFrameEndsTheWizardWithTheBlockUntouched) {
  for (bool byFrame : {false, true}) {
    SCOPED_TRACE(byFrame);
    ToolkitWizard w(DevicesBlock({{1, kModelG11S}}));
    const std::vector<uint8_t> before = w.host;
    const int32_t result =
        w.Run({Click(names::NextBtn), Click(names::SingleCreate), Click(names::NextBtn),
               Type(names::IDEd, "120"), byFrame ? CloseByFrame() : Click(names::CancelBtn)});
    // "取消" takes the edit first; the frame closes the page as it stands.
    EXPECT_EQ(w.Form("TStep11Frm").State(names::IDEd).text, byFrame ? "120" : "99");
    if (!byFrame) {
      EXPECT_EQ(result, 2);
    }
    EXPECT_EQ(w.toolkit.Forms().size(), 3u);
    EXPECT_EQ(w.host, before);
    EXPECT_TRUE(w.toolkit.Faults().empty()) << ::testing::PrintToString(w.toolkit.Faults());
  }
}

// "调试设置" shows the debug form over the hidden start page: ticking the debug switch starts the
// loading timers, the first timer loads the log and stops both, and "关闭窗口" writes the
// switches back, so the run ends changed.
TEST(ToolkitViews, TheDebugFormRunsItsTimersOverTheHiddenStartPage) {
  ToolkitWizard w(DevicesBlock({{1, kModelG11S}}));
  ASSERT_TRUE(platform::WriteWholeFile(platform::Utf8ToGbk(w.log), "a\r\nb\r\n"));
  const FakeForm* start = nullptr;
  const int32_t result = w.Run({
      Click(names::DebugBtn),
      Activate(),
      Click(names::EnDebugChk),
      Call([&] {
        start = w.toolkit.Forms().front().get();
        const FakeForm& debug = w.toolkit.Top();
        EXPECT_TRUE(start->Hidden());
        EXPECT_EQ(debug.TimerInterval(1), 500u);
        EXPECT_EQ(debug.TimerInterval(2), 100u);
        EXPECT_TRUE(debug.State(names::LoadBar).visible);
      }),
      FireTimer(2),
      Call([&] { EXPECT_EQ(w.toolkit.Top().State(names::LoadBar).position, 1); }),
      FireTimer(1),
      Call([&] {
        const FakeForm& debug = w.toolkit.Top();
        EXPECT_FALSE(debug.TimerRunning(1));
        EXPECT_FALSE(debug.TimerRunning(2));
        EXPECT_EQ(debug.State(names::LogMemo).items, (Lines{"a", "b"}));
      }),
      Click(names::SaveBtn),
      Click(names::FinishBtn),
      Call([&] { EXPECT_FALSE(start->Hidden()); }),
      CloseByFrame(),
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(w.Host().EnDebug, 1);
  EXPECT_TRUE(w.toolkit.Faults().empty()) << ::testing::PrintToString(w.toolkit.Faults());
  const FakeForm& debug = w.Form("TDebugFrm");
  EXPECT_EQ(debug.Owner(), 0u);
  EXPECT_EQ(debug.Caption(), "富士变频器向导：设置调试选项");
  // The warning, over the debug form with its caption, and the save dialog's filter split.
  ASSERT_EQ(w.toolkit.Messages().size(), 1u);
  EXPECT_EQ(w.toolkit.Messages()[0].caption, debug.Caption());
  EXPECT_EQ(w.toolkit.Messages()[0].over, "TDebugFrm");
  EXPECT_EQ(w.toolkit.AskedSave(),
            (std::vector<std::pair<std::string, std::string>>{{"调试日志文件", "log"}}));
}

// "帮助信息" hides the start page for the version message; a message box shown over no window
// carries the driver's name.
TEST(ToolkitViews, MessageBoxesCarryTheCaptionOfTheWindowTheyAreShownOver) {
  ToolkitWizard w(DevicesBlock({}));
  w.Run({Click(names::VersionBtn), Call([&] { EXPECT_FALSE(w.toolkit.Top().Hidden()); }),
         Click(names::CancelBtn)});
  ASSERT_EQ(w.toolkit.Messages().size(), 1u);
  const ShownMessage& version = w.toolkit.Messages()[0];
  EXPECT_EQ(version.caption, "富士变频器向导：选择执行的操作方式");
  EXPECT_EQ(version.icon, platform::MessageIcon::kInformation);
  EXPECT_TRUE(version.overHidden);
  w.views.Question("?");
  EXPECT_EQ(w.toolkit.Messages().back().caption, "富士变频器");
  EXPECT_EQ(w.toolkit.Messages().back().icon, platform::MessageIcon::kQuestion);
}

}  // namespace
}  // namespace vdinv::ui
