// The wizard pages' binders: the buttons every page has, the options of its one option group,
// and the lists, trees and notes that each page reads through its own getters.
#include <initializer_list>
#include <string_view>

#include "ui/connection_page.h"
#include "ui/device_pages.h"
#include "ui/form_binders.h"
#include "ui/serial_page.h"
#include "ui/start_page.h"
#include "ui/summary_page.h"

namespace vdinv::ui {
namespace {

using platform::Event;
using platform::EventKind;
using platform::IForm;

// "下一步" (or "完成"), "上一步" and "取消"; false for any other event.
bool StepButton(WizardPageBase& page, const Event& event) {
  if (event.kind != EventKind::kClicked) return false;
  if (event.control == "NextBtn" || event.control == "FinishBtn") {
    page.Next();
  } else if (event.control == "BackBtn" || event.control == "LastBtn") {
    page.Back();
  } else if (event.control == "CancelBtn") {
    page.Cancel();
  } else {
    return false;
  }
  return true;
}

// A click on one of the page's options chooses it; a double click chooses it and goes on.
void OptionEvent(WizardPageBase& page, const Event& event,
                 std::initializer_list<std::string_view> options) {
  for (std::string_view option : options) {
    if (event.control != option) continue;
    if (event.kind == EventKind::kClicked) page.Choose(option);
    if (event.kind == EventKind::kDoubleClicked) page.OptionDoubleClicked(option);
  }
}

// Every page's registered controls, and its closing once an action has asked for it.
FormState PageState(const WizardPageBase& page) {
  FormState state = StateOf(page.AllControls());
  state.close = page.CloseRequested();
  return state;
}

void List(FormState& state, std::string_view name, std::vector<std::string> items, int index) {
  platform::ControlState& c = state[name];
  c.items = std::move(items);
  c.index = index;
}

// The model list and the device number of both kinds of device page.
void DeviceState(const DevicePage& page, FormState& state) {
  List(state, "DevTypeEd", page.DevTypeChoices(), page.DevTypeIndex());
  state["IDEd"].text = page.IdText();
}

std::vector<std::string> NodeTexts(const std::vector<DeviceNode>& nodes) {
  std::vector<std::string> texts;
  for (const DeviceNode& node : nodes) texts.push_back(node.text);
  return texts;
}

// The device pages' model list and number edit; the number is taken when the edit is left.
template <class Page>
void DeviceEvent(Page& page, const Event& event) {
  if (event.kind == EventKind::kSelected && event.control == "DevTypeEd")
    page.ModelChosen(event.index);
  if (event.kind == EventKind::kLeft && event.control == "IDEd") page.IdLeft(event.text);
}

}  // namespace

FormBinder Bind(StartPage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (StepButton(page, event)) return;
        OptionEvent(page, event, {"NewOp", "ModifyOp", "BrowseOp"});
        if (Clicked(event, "VersionBtn")) page.Help();
        if (Clicked(event, "DebugBtn")) page.Debug();
        if (Clicked(event, "DownloadBtn")) page.Download();
      },
      [&page] { return PageState(page); });
}

FormBinder Bind(ConnectionPage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (StepButton(page, event)) return;
        OptionEvent(page, event, {"SingleCreate", "MulCreate", "AutoCreate"});
        if (event.kind == EventKind::kDoubleClicked && event.control.empty())
          page.PageDoubleClicked();
      },
      [&page] { return PageState(page); });
}

FormBinder Bind(SingleDevicePage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (!StepButton(page, event)) DeviceEvent(page, event);
      },
      [&page] {
        FormState state = PageState(page);
        DeviceState(page, state);
        state["IdMemo"].items = page.IdNoteLines();
        state["TagTypeMemo"].items = page.TagTypeMemoLines();
        return state;
      },
      {"IDEd"});
}

FormBinder Bind(DeviceListPage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (StepButton(page, event)) return;
        DeviceEvent(page, event);
        if (Clicked(event, "AddBtn")) page.AddClicked();
        if (Clicked(event, "DelBtn")) page.DeleteClicked();
        if (event.control != "DeviceTree") return;
        if (event.kind == EventKind::kSelected) page.SelectNode(event.index);
        if (event.kind == EventKind::kClicked) {
          // A click on a node selects it before the click is handled.
          if (event.index >= 0) page.SelectNode(event.index);
          page.TreeClicked();
        }
        if (event.kind == EventKind::kKeyReleased) page.TreeKeyReleased(event.key);
      },
      [&page] {
        FormState state = PageState(page);
        DeviceState(page, state);
        List(state, "DeviceTree", NodeTexts(page.DeviceTree()), page.SelectedNode());
        return state;
      },
      {"IDEd"});
}

FormBinder Bind(SerialPage& page) {
  return FormBinder(
      [&page](IForm&, const Event& event) {
        if (StepButton(page, event)) return;
        if (event.kind == EventKind::kSelected && event.control == "ComEd")
          page.ComChosen(event.index);
        if (event.kind == EventKind::kSelected && event.control == "BautEd")
          page.BautChosen(event.index);
        if (int i = ClickedOption(event, "DataBitED", 2); i >= 0) page.DataBitClicked(i);
        if (int i = ClickedOption(event, "StopBitED", 3); i >= 0) page.StopBitClicked(i);
        if (int i = ClickedOption(event, "ParityEd", 3); i >= 0) page.ParityClicked(i);
        if (event.kind != EventKind::kLeft) return;
        if (event.control == "OutTimeEd") page.OutTimeLeft(event.text);
        if (event.control == "WCountEd") page.WCountLeft(event.text);
        if (event.control == "InitStrEd") page.InitStrLeft(event.text);
      },
      [&page] {
        FormState state = PageState(page);
        List(state, "ComEd", page.ComChoices(), page.ComIndex());
        List(state, "BautEd", page.BautChoices(), page.BautIndex());
        OptionGroupState(state, "DataBitED", page.DataBitChoices(), page.DataBitIndex());
        OptionGroupState(state, "StopBitED", page.StopBitChoices(), page.StopBitIndex());
        OptionGroupState(state, "ParityEd", page.ParityChoiceTexts(), page.ParityIndex());
        state["OutTimeEd"].text = page.OutTimeText();
        state["WCountEd"].text = page.WCountText();
        state["InitStrEd"].text = page.InitStrText();
        state["NoteMemo"].items = page.NoteLines();
        return state;
      },
      {"OutTimeEd", "WCountEd", "InitStrEd"});
}

FormBinder Bind(SummaryPage& page) {
  return FormBinder([&page](IForm&, const Event& event) { StepButton(page, event); },
                    [&page] {
                      FormState state = PageState(page);
                      state["ComArgMemo"].items = page.ComArgMemoLines();
                      List(state, "DeviceTree", NodeTexts(page.DeviceTree()), -1);
                      state["Memo5"].items = page.Memo5Lines();
                      return state;
                    });
}

}  // namespace vdinv::ui
