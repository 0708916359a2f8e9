// The debug form (TDebugFrm): the block's three diagnostic switches and a viewer of today's log
// that can be edited, saved, saved elsewhere and printed. Shown from the start page over the
// working block of the wizard run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "ui/controls.h"
#include "ui/ui_context.h"
#include "ui/views.h"
#include "ui/wizard_run.h"

namespace vdinv::ui {

class DebugForm {
 public:
  static constexpr uint32_t kTimer1Interval = 500;  // loads the log, once
  static constexpr uint32_t kTimer2Interval = 100;  // moves the progress bar while loading
  static constexpr int kLoadBarMax = 10;

  // logPath: the driver's log file (GBK path bytes).
  DebugForm(WizardRun& run, const UiContext& context, IViews& views, std::string logPath);
  DebugForm(const DebugForm&) = delete;
  DebugForm& operator=(const DebugForm&) = delete;

  const std::string& Caption() const { return caption_; }
  // Label1, Label2 (status), LoadBar, EnDebugChk, ErrorChk, TraceChk, LogMemo, PrnBtn, SaveBtn,
  // SpeedButton1 ("保存修改"), FinishBtn.
  const Control& Get(std::string_view name) const { return controls_.Get(name); }
  const Controls& AllControls() const { return controls_; }
  int LoadBarPosition() const { return loadBar_; }
  // The viewer's lines (UTF-8).
  const std::vector<std::string>& LogLines() const { return lines_; }
  bool Timer1Running() const { return timer1_; }
  bool Timer2Running() const { return timer2_; }
  bool CloseRequested() const { return closeRequested_; }

  // The view says whether the form is the active window; the warning is shown only then.
  void SetActive(bool active) { active_ = active; }
  void DebugClicked(bool ticked);
  void ErrorClicked(bool ticked);
  void TraceClicked(bool ticked);
  // The user edited the viewer.
  void LogEdited(std::vector<std::string> lines) { lines_ = std::move(lines); }
  void Timer1Fired();
  void Timer2Fired();
  // "保存修改": the log file is written anew with the viewer's lines, followed by the lines the
  // driver appended since the log was loaded; refused with a message when the log no longer
  // begins with what was loaded.
  void SaveChanges();
  // "另存为": the viewer's lines into a file the user chooses.
  void SaveAs();
  // "打印": the view prints the viewer's lines.
  void Print();
  // "关闭窗口": the block counts as changed and is written back to the host's block. Closing by
  // the window's frame needs no call: nothing is written back.
  void Finish();

 private:
  void ApplyEnabling();
  void Status(Msg text);
  void SaveText(const std::string& path, const std::string& text);

  WizardRun& run_;
  IViews& views_;
  std::string logPath_;
  std::string caption_;
  Controls controls_;
  std::vector<std::string> lines_;
  std::string loaded_;  // the log's bytes as the viewer loaded them (GBK)
  int loadBar_ = 0;
  bool timer1_ = false;
  bool timer2_ = false;
  bool active_ = false;
  bool warningShown_ = false;
  bool closeRequested_ = false;
};

}  // namespace vdinv::ui
