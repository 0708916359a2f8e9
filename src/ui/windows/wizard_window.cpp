#include "ui/windows/wizard_window.h"

#include <utility>

#include "ui/control_ids.h"
#include "ui/form_plans.h"

namespace vdinv::ui {

using K = platform::ControlKind;
using platform::Event;
using platform::EventKind;

FormLayout PageLayout(const char* className) {
  FormLayout page(className, kPageWidth, kPageHeight, /*topMost=*/true);
  page.AddHeader();
  return page;
}

void PageButton(FormLayout& page, const char* name, int x, bool isDefault) {
  page.Add(name, K::kButton, {x, kButtonTop, kButtonWidth, kButtonHeight}).isDefault = isDefault;
}

void StepButtons(FormLayout& page) {
  PageButton(page, names::BackBtn, kBackX);
  PageButton(page, names::NextBtn, kNextX, true);
  PageButton(page, names::CancelBtn, kCancelX);
}

void PageOption(FormLayout& page, const char* option, int y,
                std::initializer_list<const char*> notes) {
  page.Add(option, K::kRadio, {24, y, 470, 20});
  int top = y + 22;
  for (const char* note : notes) {
    page.Add(note, K::kLabel, {44, top, 460, kLine});
    top += 20;
  }
}

void PageNote(FormLayout& page, const char* group, const char* memo, Place place) {
  page.Add(group, K::kGroup, place);
  page.Add(memo, K::kMemo, {8, 20, place.width - 16, place.height - 28}, group);
}

bool StepButton(WizardPageBase& page, const Event& event) {
  if (event.kind != EventKind::kClicked) return false;
  if (event.control == names::NextBtn || event.control == names::FinishBtn) {
    page.Next();
  } else if (event.control == names::BackBtn || event.control == names::LastBtn) {
    page.Back();
  } else if (event.control == names::CancelBtn) {
    page.Cancel();
  } else {
    return false;
  }
  return true;
}

void OptionEvent(WizardPageBase& page, const Event& event,
                 std::initializer_list<std::string_view> options) {
  for (std::string_view option : options) {
    if (event.control != option) continue;
    if (event.kind == EventKind::kClicked) page.Choose(option);
    if (event.kind == EventKind::kDoubleClicked) page.OptionDoubleClicked(option);
  }
}

FormState PageState(const WizardPageBase& page) {
  FormState state = StateOf(page.AllControls());
  state.close = page.CloseRequested();
  return state;
}

void ListState(FormState& state, std::string_view name, std::vector<std::string> items, int index) {
  platform::ControlState& c = state[name];
  c.items = std::move(items);
  c.index = index;
}

std::vector<std::string> NodeTexts(const std::vector<DeviceNode>& nodes) {
  std::vector<std::string> texts;
  for (const DeviceNode& node : nodes) texts.push_back(node.text);
  return texts;
}

}  // namespace vdinv::ui
