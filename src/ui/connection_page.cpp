#include "ui/connection_page.h"

#include "common/messages.h"
#include "common/parameter_block.h"

namespace vdinv::ui {
ConnectionPage::ConnectionPage(WizardRun& run, const UiContext& context, IViews& views)
    : WizardPageBase(run, context, views, kPageConnection, Utf8Text(Msg::UiConnectionCaption),
                     /*cancelClearsChanged=*/true) {
  const std::string& type = context.devTypeName;
  controls_.Add("Label2", Utf8Text(Msg::UiConnectionPrompt));
  AddOption("SingleCreate", Utf8Text(Msg::UiSingle) + type + Utf8Text(Msg::UiSingleCreateEnd))
      .checked = true;
  controls_.Add("Label4", Utf8Text(Msg::UiSingleNote) + type + Utf8Text(Msg::UiSingleNoteEnd));
  AddOption("MulCreate", Utf8Text(Msg::UiMultiple) + type + Utf8Text(Msg::UiMulCreateEnd));
  controls_.Add("Label6", Utf8Text(Msg::UiMulNote) + type + Utf8Text(Msg::UiMulNoteEnd));
  controls_.Add("Label9", Utf8Text(Msg::UiMulEfficiency));
  controls_.Add("Label8", Utf8Text(Msg::UiMulOverwrite));
  AddOption("AutoCreate", Utf8Text(Msg::UiAutoCreate)).visible = false;
  controls_.Add("Label5", Utf8Text(Msg::UiAutoNote) + type + Utf8Text(Msg::UiAutoNoteEnd)).visible =
      false;
  controls_.Add("Label7", Utf8Text(Msg::UiAll) + type + Utf8Text(Msg::UiFullStop)).visible = false;
  controls_.Add("NextBtn", Utf8Text(Msg::UiNextBtn));
  controls_.Add("BackBtn", Utf8Text(Msg::UiBackBtn));
  controls_.Add("CancelBtn", Utf8Text(Msg::UiCancelBtn));
}

void ConnectionPage::Next() {
  TDevParmBlock& block = run_.Working();
  if (Chosen("MulCreate")) {
    GoNext(kPageCreateList);
    block.LinkMode = 1;
  } else if (Chosen("AutoCreate")) {
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
