#include "ui/connection_page.h"

#include "common/messages.h"
#include "common/parameter_block.h"

namespace vdinv::ui {
namespace {

constexpr const char* kOptions[] = {"SingleCreate", "MulCreate", "AutoCreate"};

}  // namespace

ConnectionPage::ConnectionPage(WizardRun& run, const UiContext& context, IViews& views)
    : WizardPageBase(run, context, views, kPageConnection, Utf8Text(Msg::UiConnectionCaption),
                     /*cancelClearsChanged=*/true) {
  const std::string& type = context.devTypeName;
  controls_.Add("Label2", Utf8Text(Msg::UiConnectionPrompt));
  controls_.Add("SingleCreate", Utf8Text(Msg::UiSingle) + type + Utf8Text(Msg::UiSingleCreateEnd))
      .checked = true;
  controls_.Add("Label4", Utf8Text(Msg::UiSingleNote) + type + Utf8Text(Msg::UiSingleNoteEnd));
  controls_.Add("MulCreate", Utf8Text(Msg::UiMultiple) + type + Utf8Text(Msg::UiMulCreateEnd));
  controls_.Add("Label6", Utf8Text(Msg::UiMulNote) + type + Utf8Text(Msg::UiMulNoteEnd));
  controls_.Add("Label9", Utf8Text(Msg::UiMulEfficiency));
  controls_.Add("Label8", Utf8Text(Msg::UiMulOverwrite));
  controls_.Add("AutoCreate", Utf8Text(Msg::UiAutoCreate)).visible = false;
  controls_.Add("Label5", Utf8Text(Msg::UiAutoNote) + type + Utf8Text(Msg::UiAutoNoteEnd)).visible =
      false;
  controls_.Add("Label7", Utf8Text(Msg::UiAll) + type + Utf8Text(Msg::UiFullStop)).visible = false;
  controls_.Add("NextBtn", Utf8Text(Msg::UiNextBtn));
  controls_.Add("BackBtn", Utf8Text(Msg::UiBackBtn));
  controls_.Add("CancelBtn", Utf8Text(Msg::UiCancelBtn));
}

void ConnectionPage::Choose(std::string_view option) {
  for (const char* name : kOptions) controls_[name].checked = option == name;
}

void ConnectionPage::OptionDoubleClicked(std::string_view option) {
  Choose(option);
  Next();
}

void ConnectionPage::Next() {
  TDevParmBlock& block = run_.Working();
  if (controls_["MulCreate"].checked) {
    GoNext(kPageCreateList);
    block.LinkMode = 1;
  } else if (controls_["AutoCreate"].checked) {
    GoNext(kPageSummary);
    FullPdb(&block);
    block.LinkMode = 1;
    run_.SetChanged();
  } else {
    GoNext(kPageSingleDevice);
    block.LinkMode = 0;
  }
}

}  // namespace vdinv::ui
