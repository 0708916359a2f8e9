#include "ui/debug_form.h"

#include "platform/files.h"
#include "platform/text.h"
#include "ui/control_ids.h"
#include "ui/wizard_page.h"

namespace vdinv::ui {
namespace {

// A log of a busy day with every switch on stays far below this; a larger file is not loaded,
// as a file that cannot be read.
constexpr size_t kMaxLogBytes = size_t{64} << 20;

// The lines of a text as a multi-line viewer takes them: CR LF, LF or CR end a line; a break
// at the very end starts no further line.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The viewer's lines as the log file holds them: GBK, each line ended by CR LF.
std::string FileText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += platform::Utf8ToGbk(line) + "\r\n";
  return text;
}

}  // namespace

DebugForm::DebugForm(WizardRun& run, const UiContext& context, IViews& views, std::string logPath)
    : run_(run),
      views_(views),
      logPath_(std::move(logPath)),
      caption_(context.deviceName + Utf8Text(Msg::UiDebugCaption)) {
  controls_.Add(names::Label1, WizardHeader(context));
  controls_.Add(names::Label2, Utf8Text(Msg::UiDebugIdle));
  controls_.Add(names::ProductLabel, context.productText).visible = false;
  controls_.Add(names::LoadBar, "").visible = false;
  controls_.Add(names::EnDebugChk, Utf8Text(Msg::UiEnDebugChk));
  controls_.Add(names::ErrorChk, Utf8Text(Msg::UiErrorChk));
  controls_.Add(names::TraceChk, Utf8Text(Msg::UiTraceChk));
  controls_.Add(names::LogMemo, "");
  controls_.Add(names::PrnBtn, Utf8Text(Msg::UiPrnBtn));
  controls_.Add(names::SaveBtn, Utf8Text(Msg::UiSaveBtn));
  controls_.Add(names::SpeedButton1, Utf8Text(Msg::UiSaveChangesBtn));
  controls_.Add(names::FinishBtn, Utf8Text(Msg::UiFinishBtn));

  // Ticking a box runs its click handler: a set debug switch starts loading the log at once.
  // The form is not active yet, so no warning.
  const TDevParmBlock& block = run_.Working();
  if (block.EnDebug != 0) DebugClicked(true);
  if (block.EnErrorLog != 0) ErrorClicked(true);
  if (block.EnTraceLog != 0) TraceClicked(true);
  ApplyEnabling();
}

void DebugForm::Status(Msg text) {
  controls_[names::Label2].text = Utf8Text(text);
}

void DebugForm::DebugClicked(bool ticked) {
  controls_[names::EnDebugChk].checked = ticked;
  run_.Working().EnDebug = ticked ? 1 : 0;
  timer1_ = ticked;
  controls_[names::LoadBar].visible = ticked;
  timer2_ = ticked;
  if (ticked) {
    Status(Msg::UiDebugLoading);
    if (!warningShown_ && active_) {
      warningShown_ = true;
      views_.Inform(Utf8Text(Msg::UiDebugWarning), /*hideOwner=*/false);
    }
  } else {
    Status(Msg::UiDebugSwitchedOff);
  }
  ApplyEnabling();
}

void DebugForm::ErrorClicked(bool ticked) {
  controls_[names::ErrorChk].checked = ticked;
  run_.Working().EnErrorLog = ticked ? 1 : 0;
}

void DebugForm::TraceClicked(bool ticked) {
  controls_[names::TraceChk].checked = ticked;
  run_.Working().EnTraceLog = ticked ? 1 : 0;
}

void DebugForm::ApplyEnabling() {
  const bool on = controls_[names::EnDebugChk].checked;
  for (const char* name : {names::LogMemo, names::ErrorChk, names::TraceChk, names::SaveBtn,
                           names::PrnBtn, names::SpeedButton1})
    controls_[name].enabled = on;
  if (on) return;
  TDevParmBlock& block = run_.Working();
  block.EnTraceLog = 0;
  block.EnErrorLog = 0;
  controls_[names::ErrorChk].checked = false;
  controls_[names::TraceChk].checked = false;
  lines_.clear();
}

void DebugForm::Timer1Fired() {
  if (platform::FileExists(logPath_)) {
    // A file that cannot be read leaves the viewer as it was.
    if (auto bytes = platform::ReadWholeFile(logPath_, kMaxLogBytes)) {
      lines_ = SplitLines(platform::GbkToUtf8(*bytes));
      loaded_ = std::move(*bytes);
    }
  } else {
    loaded_.clear();
  }
  Status(Msg::UiDebugIdle);
  timer1_ = false;
  controls_[names::LoadBar].visible = false;
  timer2_ = false;
}

void DebugForm::Timer2Fired() {
  if (++loadBar_ >= kLoadBarMax) loadBar_ = kLoadBarMax / 2;
}

void DebugForm::SaveText(const std::string& path, const std::string& text) {
  // The file is made anew and holds the text, or, when it cannot be made, nothing is saved and
  // the user is told which file.
  if (!platform::WriteWholeFile(path, text))
    views_.Inform(Utf8Text(Msg::UiCannotCreateFile) + platform::GbkToUtf8(path), false);
}

void DebugForm::SaveChanges() {
  // A line running on this machine goes on appending to the log while the viewer shows it. The
  // lines it appended since the log was loaded follow the viewer's text, so none is lost; a log
  // that no longer begins with what was loaded (moved aside at midnight, rewritten) is not
  // overwritten with an older day's text.
  std::string now;
  if (platform::FileExists(logPath_)) {
    std::optional<std::string> bytes = platform::ReadWholeFile(logPath_, kMaxLogBytes);
    if (!bytes) {
      views_.Inform(Utf8Text(Msg::UiLogChangedSinceLoad), false);
      return;
    }
    now = std::move(*bytes);
  }
  if (now.compare(0, loaded_.size(), loaded_) != 0) {
    views_.Inform(Utf8Text(Msg::UiLogChangedSinceLoad), false);
    return;
  }
  SaveText(logPath_, FileText(lines_) + now.substr(loaded_.size()));
}

void DebugForm::SaveAs() {
  std::optional<std::string> path =
      views_.AskSavePath(Utf8Text(Msg::UiLogFilter), Utf8Text(Msg::UiLogDefaultExt));
  if (path) SaveText(platform::Utf8ToGbk(*path), FileText(lines_));
}

void DebugForm::Print() {
  // A confirmed print job that fails is told, as a file that cannot be saved is.
  if (!views_.PrintLines(lines_)) views_.Inform(Utf8Text(Msg::UiPrintFailed), false);
}

void DebugForm::Finish() {
  run_.SetChanged();
  run_.WriteBack();
  closeRequested_ = true;
}

}  // namespace vdinv::ui
