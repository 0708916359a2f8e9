#include "ui/debug_form.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "flow_views.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/device_block.h"
#include "support/temp_dir.h"
#include "ui/control_ids.h"

namespace vdinv::ui {
namespace {

using test::FlowViews;
using Lines = std::vector<std::string>;

constexpr const char* kIdle = "调试开关-查看和编辑今天的设备运行历史，诊断出现的问题！";
constexpr const char* kLoading = "正在调入记录文件...";

struct DebugFormTest : ::testing::Test {
  void Open(uint8_t debug, uint8_t error, uint8_t trace) {
    TDevParmBlock pdb = vdinv::test::DevicesBlock({{1, kModelG11S}});
    pdb.EnDebug = debug;
    pdb.EnErrorLog = error;
    pdb.EnTraceLog = trace;
    StorePdb(host.data(), pdb);
    run.Begin(host.data());
  }
  std::vector<uint8_t> host = std::vector<uint8_t>(kPdbLength, 0);
  WizardRun run;
  FlowViews views;
  UiContext context = test::DriverWords();
  vdinv::test::TempDir dir;
  std::string log = dir.File("VD_Inv.Log");
};

// The boxes follow the block's switches as ticking them by hand would: a set debug switch
// starts loading at once; without it the other two switches are cleared.
TEST_F(DebugFormTest, OpeningTicksTheSwitchesOfTheBlock) {
  struct Case {
    uint8_t debug, error, trace;
    bool loading;
    uint8_t errorAfter, traceAfter;
  };
  const Case cases[] = {
      {1, 0, 0, true, 0, 0},
      {1, 1, 1, true, 1, 1},
      {0, 1, 1, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.debug} << int{c.error} << int{c.trace});
    Open(c.debug, c.error, c.trace);
    DebugForm form(run, context, views, log);
    EXPECT_EQ(form.Get(names::EnDebugChk).checked, c.debug != 0);
    EXPECT_EQ(form.Get(names::ErrorChk).checked, c.errorAfter != 0);
    EXPECT_EQ(form.Get(names::TraceChk).checked, c.traceAfter != 0);
    EXPECT_EQ(run.Working().EnErrorLog, c.errorAfter);
    EXPECT_EQ(run.Working().EnTraceLog, c.traceAfter);
    EXPECT_EQ(form.Timer1Running(), c.loading);
    EXPECT_EQ(form.Timer2Running(), c.loading);
    EXPECT_EQ(form.Get(names::LoadBar).visible, c.loading);
    EXPECT_EQ(form.Get(names::Label2).text, c.loading ? kLoading : kIdle);
    for (const char* name : {names::LogMemo, names::ErrorChk, names::TraceChk, names::SaveBtn,
                             names::PrnBtn, names::SpeedButton1})
      EXPECT_EQ(form.Get(name).enabled, c.loading) << name;
  }
  EXPECT_TRUE(views.informed.empty());  // never while the form is not yet active
}

TEST_F(DebugFormTest, UntickingTheDebugSwitchClearsTheOthersAndEmptiesTheViewer) {
  Open(1, 1, 1);
  ASSERT_TRUE(platform::WriteWholeFile(log, "line\r\n"));
  DebugForm form(run, context, views, log);
  form.Timer1Fired();
  ASSERT_EQ(form.LogLines(), Lines{"line"});
  form.DebugClicked(false);
  EXPECT_EQ(run.Working().EnDebug, 0);
  EXPECT_EQ(run.Working().EnErrorLog, 0);
  EXPECT_EQ(run.Working().EnTraceLog, 0);
  EXPECT_FALSE(form.Get(names::ErrorChk).checked);
  EXPECT_FALSE(form.Get(names::TraceChk).enabled);
  EXPECT_TRUE(form.LogLines().empty());
  EXPECT_FALSE(form.Timer1Running());
  EXPECT_FALSE(form.Get(names::LoadBar).visible);
  EXPECT_EQ(form.Get(names::Label2).text,
            "打开调试开关-查看和编辑今天的设备运行历史，诊断出现的问题！");
  form.DebugClicked(true);
  form.ErrorClicked(true);
  EXPECT_EQ(run.Working().EnErrorLog, 1);
}

// The warning comes once per opening of the form, and only while the form is active.
TEST_F(DebugFormTest, TheWarningIsShownOncePerOpeningWhenTheFormIsActive) {
  Open(0, 0, 0);
  DebugForm form(run, context, views, log);
  form.DebugClicked(true);  // not active: no warning, and it is still to come
  EXPECT_TRUE(views.informed.empty());
  form.SetActive(true);
  form.DebugClicked(false);
  form.DebugClicked(true);
  form.DebugClicked(false);
  form.DebugClicked(true);
  ASSERT_EQ(views.informed.size(), 1u);
  EXPECT_EQ(views.informed[0].text,
            "！注意：调试对性能将产生不良影响，只有出现故障时才打开调试开关。\r\n"
            "调试和查看完设备运行信息后，请及时关闭调试开关。\r\n\r\n"
            "改动过调试开关后，需要退出向导，单击开发环境的保存工程按钮，调试功能才会生效。\r\n\r\n"
            "您可以编辑窗口中的内容，单击保存修改按钮保存窗口中的内容。\r\n"
            "或者单击另存为按钮，将窗口中的内容保存为文件，便于以后在系统外查看。");
  DebugForm again(run, context, views, log);
  again.SetActive(true);
  again.DebugClicked(false);
  again.DebugClicked(true);
  EXPECT_EQ(views.informed.size(), 2u);
}

TEST_F(DebugFormTest, Timer1LoadsTheLogOnceAndEndsTheLoading) {
  struct Case {
    const char* what;
    std::optional<std::string> file;  // GBK bytes; none: no log file
    Lines lines;
  };
  const Case cases[] = {
      {"missing", std::nullopt, {}},
      {"CR LF lines",
       platform::Utf8ToGbk("2026-12-07 07:26:50：启动\r\nb\r\n"),
       {"2026-12-07 07:26:50：启动", "b"}},
      {"LF, CR and an empty line", std::string("a\n\nb\rc"), {"a", "", "b", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::DeleteFile(log);
    if (c.file) {
      ASSERT_TRUE(platform::WriteWholeFile(log, *c.file));
    }
    Open(1, 0, 0);
    DebugForm form(run, context, views, log);
    EXPECT_TRUE(form.LogLines().empty());  // not before the timer fires
    form.Timer1Fired();
    EXPECT_EQ(form.LogLines(), c.lines);
    EXPECT_EQ(form.Get(names::Label2).text, kIdle);
    EXPECT_FALSE(form.Timer1Running());
    EXPECT_FALSE(form.Timer2Running());
    EXPECT_FALSE(form.Get(names::LoadBar).visible);
  }
  EXPECT_TRUE(views.informed.empty());
}

TEST_F(DebugFormTest, Timer2MovesTheProgressBarAndWrapsToTheMiddle) {
  Open(1, 0, 0);
  DebugForm form(run, context, views, log);
  std::vector<int> positions;
  for (int i = 0; i < 12; ++i) {
    form.Timer2Fired();
    positions.push_back(form.LoadBarPosition());
  }
  EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 5, 6, 7}));
}

// Saving writes the viewer's lines as the log holds them: GBK, CR LF after every line. The
// lines the driver appended since the log was loaded follow them.
TEST_F(DebugFormTest, SavingWritesTheViewersLinesAndKeepsWhatTheDriverAppendedSince) {
  Open(1, 0, 0);
  DebugForm form(run, context, views, log);
  ASSERT_TRUE(platform::WriteWholeFile(log, "an older and longer text\r\n"));
  form.Timer1Fired();
  form.LogEdited({"改过", "b"});
  ASSERT_TRUE(platform::AppendToFile(log, "appended meanwhile\r\n"));
  const std::string expected = platform::Utf8ToGbk("改过\r\nb\r\n");

  form.SaveChanges();
  EXPECT_EQ(platform::ReadWholeFile(log), expected + "appended meanwhile\r\n");

  const std::string other = dir.File("copy.log");
  form.SaveAs();  // cancelled
  EXPECT_EQ(views.askedFilter, "调试日志文件|log Log");
  EXPECT_FALSE(platform::FileExists(other));
  views.savePath = other;
  form.SaveAs();
  EXPECT_EQ(platform::ReadWholeFile(other), expected);

  form.Print();
  EXPECT_EQ(views.printed, (Lines{"改过", "b"}));
  EXPECT_TRUE(views.informed.empty());
  views.printOk = false;
  form.Print();
  ASSERT_EQ(views.informed.size(), 1u);
  EXPECT_EQ(views.informed[0].text, "打印失败！");
}

// A log moved aside or rewritten since it was loaded is not overwritten with the viewer's text.
TEST_F(DebugFormTest, ALogThatNoLongerBeginsAsLoadedIsNotOverwritten) {
  Open(1, 0, 0);
  DebugForm form(run, context, views, log);
  ASSERT_TRUE(platform::WriteWholeFile(log, "yesterday\r\n"));
  form.Timer1Fired();
  ASSERT_TRUE(platform::WriteWholeFile(log, "today\r\n"));
  form.SaveChanges();
  EXPECT_EQ(platform::ReadWholeFile(log), "today\r\n");
  ASSERT_EQ(views.informed.size(), 1u);
  EXPECT_EQ(views.informed[0].text,
            "记录文件在调入后已被移走或改写，窗口中的修改没有保存。\r\n"
            "请关闭调试开关后再打开，重新调入记录文件。");
}

TEST_F(DebugFormTest, AFileThatCannotBeCreatedIsReportedAndNothingSaved) {
  Open(1, 0, 0);
  const std::string unreachable = dir.File("no such dir/VD_Inv.Log");
  DebugForm form(run, context, views, unreachable);
  form.LogEdited({"x"});
  form.SaveChanges();
  views.savePath = dir.Path();  // a directory
  form.SaveAs();
  ASSERT_EQ(views.informed.size(), 2u);
  EXPECT_EQ(views.informed[0].text, "无法创建文件 " + unreachable);
  EXPECT_EQ(views.informed[1].text, "无法创建文件 " + dir.Path());
  EXPECT_FALSE(platform::FileExists(unreachable));
}

// "关闭窗口" writes the switches back and the run counts as changed; the frame does neither.
TEST_F(DebugFormTest, OnlyTheCloseButtonWritesTheSwitchesBack) {
  Open(0, 0, 0);
  {
    DebugForm form(run, context, views, log);
    form.DebugClicked(true);
  }
  EXPECT_EQ(LoadPdb(host.data()).EnDebug, 0);
  EXPECT_FALSE(run.Changed());
  DebugForm form(run, context, views, log);
  form.Finish();
  EXPECT_TRUE(form.CloseRequested());
  EXPECT_TRUE(run.Changed());
  EXPECT_EQ(LoadPdb(host.data()).EnDebug, 1);
}

}  // namespace
}  // namespace vdinv::ui
