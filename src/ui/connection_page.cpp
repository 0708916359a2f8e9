#include "ui/connection_page.h"

#include "common/messages.h"
#include "common/parameter_block.h"
#include "ui/control_ids.h"

namespace vdinv::ui {
ConnectionPage::ConnectionPage(WizardRun& run, const UiContext& context, IViews& views)
    : WizardPageBase(run, context, views, kPageConnection, Utf8Text(Msg::UiConnectionCaption),
                     /*cancelClearsChanged=*/true) {
  const std::string& type = context.devTypeName;
  controls_.Add(names::Label2, Utf8Text(Msg::UiConnectionPrompt));
  AddOption(names::SingleCreate, Utf8Text(Msg::UiSingle) + type + Utf8Text(Msg::UiSingleCreateEnd))
      .checked = true;
  controls_.Add(names::Label4, Utf8Text(Msg::UiSingleNote) + type + Utf8Text(Msg::UiSingleNoteEnd));
  AddOption(names::MulCreate, Utf8Text(Msg::UiMultiple) + type + Utf8Text(Msg::UiMulCreateEnd));
  controls_.Add(names::Label6, Utf8Text(Msg::UiMulNote) + type + Utf8Text(Msg::UiMulNoteEnd));
  controls_.Add(names::Label9, Utf8Text(Msg::UiMulEfficiency));
  controls_.Add(names::Label8, Utf8Text(Msg::UiMulOverwrite));
  AddOption(names::AutoCreate, Utf8Text(Msg::UiAutoCreate)).visible = false;
  controls_.Add(names::Label5, Utf8Text(Msg::UiAutoNote) + type + Utf8Text(Msg::UiAutoNoteEnd))
      .visible = false;
  controls_.Add(names::Label7, Utf8Text(Msg::UiAll) + type + Utf8Text(Msg::UiFullStop)).visible =
      false;
  controls_.Add(names::NextBtn, Utf8Text(Msg::UiNextBtn));
  controls_.Add(names::BackBtn, Utf8Text(Msg::UiBackBtn));
  controls_.Add(names::CancelBtn, Utf8Text(Msg::UiCancelBtn));
}

void ConnectionPage::Next() {
  TDevParmBlock& block = run_.Working();
  if (Chosen(names::MulCreate)) {
    GoNext(kPageCreateList);
    block.LinkMode = 1;
  } else if (Chosen(names::AutoCreate)) {
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
