#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "flow_views.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/device_block.h"
#include "support/temp_dir.h"
#include "ui/connection_page.h"
#include "ui/control_ids.h"
#include "ui/debug_form.h"
#include "ui/device_pages.h"
#include "ui/serial_page.h"
#include "ui/start_page.h"
#include "ui/summary_page.h"

namespace vdinv::ui {
namespace {

using test::FlowViews;

struct Pages : ::testing::Test {
  void SetUp() override {
    StorePdb(host.data(), vdinv::test::DevicesBlock({{1, kModelG11S}}));
    run.Begin(host.data());
  }
  std::vector<uint8_t> host = std::vector<uint8_t>(kPdbLength, 0);
  WizardRun run;
  FlowViews views;
  UiContext context = test::DriverWords();
};

// A view builds any page from its controls: each page registers the windows' control names,
// shown or hidden as the page is created.
TEST_F(Pages, EveryPageRegistersTheControlsItsViewBuilds) {
  SingleDevicePage single(run, context, views);
  DeviceListPage list(run, context, views, DeviceListPage::Mode::kModify);
  SerialPage serial(run, context, views);
  SummaryPage summary(run, context, views);
  struct Row {
    const WizardPageBase& page;
    std::vector<std::string> shown;
    std::vector<std::string> hidden;
  };
  const Row rows[] = {
      {single,
       {names::Label1, names::Label2, names::GroupBox2, names::DevTypeEd, names::IDEd,
        names::GroupBox3, names::GroupBox4, names::TagTypeMemo, names::NextBtn, names::BackBtn,
        names::CancelBtn},
       {names::ProductLabel, names::SlotEd, names::SlotTypeEd}},
      {list,
       {names::Label1, names::Label2, names::GroupBox2, names::DevTypeEd, names::IDEd,
        names::DeviceTree, names::AddBtn, names::DelBtn, names::NextBtn, names::BackBtn,
        names::CancelBtn},
       {names::ProductLabel, names::SlotEd, names::SlotTypeEd}},
      {serial,
       {names::Label1, names::Label2, names::ComEd, names::BautEd, names::DataBitED,
        names::StopBitED, names::ParityEd, names::SetGB, names::OutTimeEd, names::WCountEd,
        names::NextBtn, names::BackBtn, names::CancelBtn},
       {names::ProductLabel, names::InitStrLabel, names::InitStrEd}},
      {summary,
       {names::Label1, names::Label2, names::ComArgMemo, names::DeviceTree, names::GroupBox4,
        names::Memo5, names::FinishBtn, names::LastBtn, names::CancelBtn},
       {names::ProductLabel, names::PrnBtn}},
  };
  for (const Row& r : rows) {
    std::vector<std::string> registered;
    for (const auto& [name, control] : r.page.AllControls().All()) registered.push_back(name);
    for (const std::string& name : r.shown) EXPECT_TRUE(r.page.Get(name).visible) << name;
    for (const std::string& name : r.hidden) {
      EXPECT_NE(std::find(registered.begin(), registered.end(), name), registered.end()) << name;
      EXPECT_FALSE(r.page.Get(name).visible) << name;
    }
  }
}

// The pages' texts are the driver's words joined with the pages' own pieces.
TEST_F(Pages, TextsJoinTheDriversWords) {
  StartPage start(run, context, views, "");
  ConnectionPage connection(run, context, views);
  EXPECT_EQ(start.Caption(), "富士变频器向导：选择执行的操作方式");
  EXPECT_EQ(connection.Caption(), "富士变频器向导：选择创建设备的方式");
  struct Row {
    const WizardPageBase& page;
    const char* control;
    const char* text;
  };
  const Row rows[] = {
      {start, names::Label1, "欢迎使用富士变频器配置向导"},
      {start, names::Label6, "变频器。"},
      {connection, names::Label1, "欢迎使用富士变频器配置向导"},
      {connection, names::SingleCreate, "单个变频器创建（RS232方式连接）"},
      {connection, names::Label4, "为工程中的任意节点创建单个变频器，可以满足简单的工程应用。"},
      {connection, names::MulCreate, "多个变频器创建（RS485/RS422方式连接）"},
      {connection, names::Label6, "为工程中的任意节点创建多个变频器，可以满足所有工程应用。"},
      {connection, names::Label5, "最智能的创建变频器的方法。由系统自动搜索本机安装的"},
      {connection, names::Label7, "所有变频器。"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.page.Get(r.control).text, r.text) << r.control;
  EXPECT_TRUE(start.Get(names::NewOp).checked);
  EXPECT_TRUE(connection.Get(names::SingleCreate).checked);
  for (const char* hidden : {names::DownloadBtn, names::ProductLabel})
    EXPECT_FALSE(start.Get(hidden).visible) << hidden;
  for (const char* hidden : {names::AutoCreate, names::Label5, names::Label7})
    EXPECT_FALSE(connection.Get(hidden).visible) << hidden;
}

// A page that is closed by other means than its buttons ends the wizard.
TEST_F(Pages, APageEndsTheWizardUnlessItsButtonsSayOtherwise) {
  run.SetNextPage(kPageSerial);
  StartPage start(run, context, views, "");
  EXPECT_EQ(run.NextPage(), kPageEnd);
  run.SetNextPage(kPageSerial);
  ConnectionPage connection(run, context, views);
  EXPECT_EQ(run.NextPage(), kPageEnd);
}

TEST_F(Pages, NextOnTheStartPageFollowsTheChosenOperation) {
  struct Case {
    const char* option;
    bool doubleClick;
    uint8_t next;
    bool changed;
  };
  const Case cases[] = {
      {names::NewOp, false, kPageConnection, true},
      {names::ModifyOp, false, kPageModifyList, false},
      {names::BrowseOp, false, kPageSummary, false},
      {names::NewOp, true, kPageConnection, true},
      {names::ModifyOp, true, kPageModifyList, false},
      {names::BrowseOp, true, kPageSummary, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option) + (c.doubleClick ? " double click" : " Next"));
    run.Begin(host.data());
    StartPage page(run, context, views, "");
    if (c.doubleClick) {
      page.OptionDoubleClicked(c.option);
    } else {
      page.Choose(c.option);
      page.Next();
    }
    EXPECT_TRUE(page.CloseRequested());
    EXPECT_EQ(run.NextPage(), c.next);
    EXPECT_EQ(run.Changed(), c.changed);
    run.GoBack();
    EXPECT_EQ(run.NextPage(), kPageStart);
  }
}

TEST_F(Pages, NextOnTheConnectionPageSetsTheLinkMode) {
  struct Case {
    const char* option;
    uint8_t next;
    uint8_t linkMode;
    bool changed;
  };
  const Case cases[] = {
      {names::SingleCreate, kPageSingleDevice, 0, false},
      {names::MulCreate, kPageCreateList, 1, false},
      {names::AutoCreate, kPageSummary, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    run.Begin(host.data());
    run.Working().LinkMode = 7;
    run.Working().BaudIndex = 0;
    ConnectionPage page(run, context, views);
    page.OptionDoubleClicked(c.option);
    EXPECT_EQ(run.NextPage(), c.next);
    EXPECT_EQ(run.Working().LinkMode, c.linkMode);
    EXPECT_EQ(run.Changed(), c.changed);
    // Only the automatic creation starts from a defaulted block.
    EXPECT_EQ(run.Working().BaudIndex, c.changed ? 6 : 0);
  }
}

// "取消" ends the wizard; the start page keeps the changed flag as normalising left it.
TEST_F(Pages, CancelClearsTheChangedFlagOnEveryPageButTheStartPage) {
  for (bool changed : {false, true}) {
    run.SetChanged(changed);
    StartPage start(run, context, views, "");
    start.Cancel();
    EXPECT_EQ(run.NextPage(), kPageEnd);
    EXPECT_EQ(run.Changed(), changed);
    ConnectionPage connection(run, context, views);
    connection.Cancel();
    EXPECT_FALSE(run.Changed());
  }
}

// The version message comes first, over the hidden page; then the first help file that exists:
// on Windows the compiled help named after the device, else after the module; elsewhere the HTML
// guide's folder named after the module (a compiled help file there is of no use).
TEST_F(Pages, HelpShowsTheVersionAndOpensTheFirstHelpFileThatExists) {
  const std::string sep(1, platform::PathSeparator());
  const std::string deviceChm = "富士变频器.chm";
  const std::string moduleChm = "VD_Inv.chm";
  const std::string html = "VD_Inv" + sep + "index.html";
  const std::string deviceHtml = "富士变频器" + sep + "index.html";
  struct Case {
    std::vector<std::string> present;
    std::string openedOnWindows;  // empty: nothing opened
    std::string openedElsewhere;
  };
  const Case cases[] = {
      {{}, "", ""},
      {{deviceChm}, deviceChm, ""},
      {{moduleChm}, moduleChm, ""},
      {{deviceChm, moduleChm}, deviceChm, ""},
      {{html}, "", html},
      {{deviceHtml}, "", ""},
      {{deviceChm, moduleChm, html}, deviceChm, html},
  };
  const bool windows = sep == "\\";
  for (const Case& c : cases) {
    vdinv::test::TempDir install;
    const std::string help = install.Path() + "help" + sep;
    for (const std::string& name : c.present) {
      // The file system knows the names by their GBK bytes, as the host's directory.
      const std::string folder = name.substr(0, name.rfind(sep[0]) + 1);
      ASSERT_TRUE(platform::CreateDirectories(platform::Utf8ToGbk(help + folder)));
      ASSERT_TRUE(platform::CreateEmptyFile(platform::Utf8ToGbk(help + name)));
    }
    FlowViews v;
    UiContext words = test::DriverWords(install.Path());
    StartPage page(run, words, v, "");
    page.Help();
    ASSERT_EQ(v.informed.size(), 1u);
    EXPECT_EQ(v.informed[0].text, "VD_Inv\r\n版本4.7.1.1\r\n\r\n富士变频器通讯驱动");
    EXPECT_TRUE(v.informed[0].hideOwner);
    const std::string& opened = windows ? c.openedOnWindows : c.openedElsewhere;
    EXPECT_EQ(v.opened, opened.empty() ? std::vector<std::string>{}
                                       : std::vector<std::string>{help + opened});
    EXPECT_FALSE(page.CloseRequested());
  }
}

// "调试设置" shows the debug form over the start page, which stays open; closed by its frame
// afterwards, the start page ends the wizard.
TEST_F(Pages, TheDebugFormOpensOverTheStartPage) {
  StartPage page(run, context, views, "");
  page.Choose(names::ModifyOp);
  int forms = 0;
  views.onDebug = [&](DebugForm& form) {
    ++forms;
    EXPECT_EQ(form.Caption(), "富士变频器向导：设置调试选项");
  };
  page.Debug();
  EXPECT_EQ(forms, 1);
  EXPECT_FALSE(page.CloseRequested());
  EXPECT_EQ(run.NextPage(), kPageEnd);
  page.Download();  // hidden and inert
  EXPECT_TRUE(views.opened.empty());
}

}  // namespace
}  // namespace vdinv::ui
