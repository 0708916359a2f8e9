#include "ui/form_layout.h"

#include <utility>

#include "ui/control_ids.h"

namespace vdinv::ui {
namespace {

constexpr int kOptionTop = 20;
constexpr int kOptionStep = 24;
constexpr int kOptionHeight = 20;
constexpr int kOptionIndent = 10;
constexpr int kHeaderHeight = 60;
constexpr int kProductWidth = 150;

}  // namespace

FormLayout::FormLayout(std::string name, int width, int height, bool topMost) {
  form_.name = std::move(name);
  form_.width = width;
  form_.height = height;
  form_.topMost = topMost;
}

platform::ControlPlan& FormLayout::Add(std::string_view name, platform::ControlKind kind,
                                       Place place, std::string_view parent) {
  platform::ControlPlan& c = form_.controls.emplace_back();
  c.name = std::string(name);
  c.id = ControlId(name);
  c.kind = kind;
  c.x = place.x;
  c.y = place.y;
  c.width = place.width;
  c.height = place.height;
  c.parent = std::string(parent);
  return c;
}

void FormLayout::AddOptionGroup(std::string_view group, Place place, int options,
                                std::string_view parent) {
  Add(group, platform::ControlKind::kGroup, place, parent);
  for (int i = 0; i < options; ++i) {
    Add(OptionName(group, i), platform::ControlKind::kRadio,
        {kOptionIndent, kOptionTop + i * kOptionStep, place.width - 2 * kOptionIndent,
         kOptionHeight},
        group);
  }
}

void FormLayout::AddHeader() {
  const int width = form_.width;
  Add(names::HeaderPn, platform::ControlKind::kPanel, {0, 0, width, kHeaderHeight});
  const int right = width - kProductWidth - 10;
  Add(names::Label1, platform::ControlKind::kLabel, {12, 8, right - 22, kLine}, names::HeaderPn);
  Add(names::Label2, platform::ControlKind::kLabel, {28, 34, width - 40, kLine}, names::HeaderPn);
  Add(names::ProductLabel, platform::ControlKind::kLabel, {right, 8, kProductWidth, kLine},
      names::HeaderPn);
}

}  // namespace vdinv::ui
