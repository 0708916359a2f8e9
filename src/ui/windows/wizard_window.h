// What the wizard pages' windows share: the page's frame (a white header with the welcome line
// and the page's instruction, the buttons along the bottom edge, options with their notes and
// framed notes) and the binding of the step buttons, of the page's one option group and of its
// registered controls. Each page's own window is in a file of its own beside this one.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/toolkit.h"
#include "ui/device_entries.h"
#include "ui/form_binding.h"
#include "ui/form_layout.h"
#include "ui/wizard_page.h"

namespace vdinv::ui {

// The buttons along every page's bottom edge: their top and width, and the places of "上一步",
// "下一步" and "取消".
inline constexpr int kButtonTop = 340;
inline constexpr int kButtonWidth = 80;
inline constexpr int kBackX = 244;
inline constexpr int kNextX = 332;
inline constexpr int kCancelX = 428;
inline constexpr int kBodyWidth = 496;  // a group or text across the page inside the margins

// A page of the class's name with the header.
FormLayout PageLayout(const char* className);
// A button along the bottom edge.
void PageButton(FormLayout& page, const char* name, int x, bool isDefault = false);
// "上一步", "下一步" (the button Enter presses) and "取消".
void StepButtons(FormLayout& page);
// An option with its explanation lines below it.
void PageOption(FormLayout& page, const char* option, int y,
                std::initializer_list<const char*> notes);
// A framed note: a group box around a read-only memo.
void PageNote(FormLayout& page, const char* group, const char* memo, Place place);

// "下一步" (or "完成"), "上一步" and "取消"; false for any other event.
bool StepButton(WizardPageBase& page, const platform::Event& event);
// A click on one of the page's options chooses it; a double click chooses it and goes on.
void OptionEvent(WizardPageBase& page, const platform::Event& event,
                 std::initializer_list<std::string_view> options);
// Every page's registered controls, and its closing once an action has asked for it.
FormState PageState(const WizardPageBase& page);
// A list's or a tree's items and its chosen one.
void ListState(FormState& state, std::string_view name, std::vector<std::string> items, int index);
// The texts of a device tree's nodes.
std::vector<std::string> NodeTexts(const std::vector<DeviceNode>& nodes);

}  // namespace vdinv::ui
