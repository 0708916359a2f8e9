#include "ui/start_page.h"

#include <utility>

#include "common/messages.h"
#include "platform/files.h"
#include "platform/help_file.h"
#include "platform/text.h"
#include "ui/control_ids.h"
#include "ui/debug_form.h"

namespace vdinv::ui {
namespace {

constexpr const char* kHelpDir = "help";

}  // namespace

StartPage::StartPage(WizardRun& run, const UiContext& context, IViews& views, std::string logPath)
    : WizardPageBase(run, context, views, kPageStart, Utf8Text(Msg::UiStartCaption),
                     /*cancelClearsChanged=*/false),
      logPath_(std::move(logPath)) {
  controls_.Add(names::Label2, Utf8Text(Msg::UiStartPrompt));
  AddOption(names::NewOp, Utf8Text(Msg::UiNewOp)).checked = true;
  AddOption(names::ModifyOp, Utf8Text(Msg::UiModifyOp));
  AddOption(names::BrowseOp, Utf8Text(Msg::UiBrowseOp));
  controls_.Add(names::Label3, Utf8Text(Msg::UiNewOpNote));
  controls_.Add(names::Label6, context.devTypeName + Utf8Text(Msg::UiFullStop));
  controls_.Add(names::Label4, Utf8Text(Msg::UiModifyOpNote));
  controls_.Add(names::Label5, Utf8Text(Msg::UiBrowseOpNote));
  controls_.Add(names::NextBtn, Utf8Text(Msg::UiNextBtn));
  controls_.Add(names::VersionBtn, Utf8Text(Msg::UiVersionBtn));
  controls_.Add(names::DebugBtn, Utf8Text(Msg::UiDebugBtn));
  controls_.Add(names::CancelBtn, Utf8Text(Msg::UiCancelBtn));
  controls_.Add(names::DownloadBtn, Utf8Text(Msg::UiDownloadBtn)).visible = false;
}

void StartPage::Next() {
  if (Chosen(names::ModifyOp)) {
    GoNext(kPageModifyList);
  } else if (Chosen(names::BrowseOp)) {
    GoNext(kPageSummary);
  } else {
    GoNext(kPageConnection);
    run_.SetChanged();
  }
}

std::string StartPage::VersionMessage() const {
  return context_.internalName + "\r\n" + Utf8Text(Msg::UiVersionWord) + context_.fileVersion +
         "\r\n\r\n" + context_.fileDescription;
}

std::vector<std::string> StartPage::HelpFiles() const {
  const std::string dir = context_.installDir + kHelpDir + platform::PathSeparator();
  std::vector<std::string> files;
  for (const std::string& name :
       platform::HelpFileNames(context_.deviceName, context_.moduleBaseName)) {
    files.push_back(dir + name);
  }
  return files;
}

void StartPage::Help() {
  views_.Inform(VersionMessage(), /*hideOwner=*/true);
  for (const std::string& file : HelpFiles()) {
    // The install directory came from GBK bytes; the file system knows it by those bytes.
    if (platform::FileExists(platform::Utf8ToGbk(file))) {
      views_.OpenHelp(file);
      return;
    }
  }
}

void StartPage::Debug() {
  run_.SetNextPage(kPageEnd);
  DebugForm form(run_, context_, views_, logPath_);
  views_.Show(form);  // the view hides the start page while the form is shown
}

}  // namespace vdinv::ui
