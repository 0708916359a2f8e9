// Applying a presenter's state to a form's native controls. Only what differs from what a
// control shows is changed (an edit being typed into keeps its cursor), and none of it raises
// an event: the notifications it causes arrive while the form is quiet.
#include <algorithm>

#include "platform/win32/code_page.h"
#include "platform/win32/toolkit_form.h"

namespace vdinv::platform::internal {
namespace {

constexpr int kCellChars = 1024;

void SetTextIfDiffers(HWND hwnd, const std::wstring& text) {
  if (WindowText(hwnd) != text) SetWindowTextW(hwnd, text.c_str());
}

std::wstring MemoText(const std::vector<std::string>& lines) {
  std::wstring text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += L"\r\n";
    text += Utf8ToWide(lines[i]);
  }
  return text;
}

bool IsChecked(HWND button) {
  return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring CellText(HWND grid, int row, int column) {
  wchar_t buffer[kCellChars] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = kCellChars;
  SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

std::wstring Cell(const ControlState& state, size_t row, int column) {
  if (row >= state.cells.size() || static_cast<size_t>(column) >= state.cells[row].size()) {
    return {};
  }
  return Utf8ToWide(state.cells[row][static_cast<size_t>(column)]);
}

void ApplyChoices(Win32Control& control, const ControlState& state) {
  HWND box = control.hwnd;
  if (!control.applied || control.shown.items != state.items) {
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& choice : state.items) {
      const std::wstring wide = Utf8ToWide(choice);
      SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
  }
  if (SendMessageW(box, CB_GETCURSEL, 0, 0) != state.index) {
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(state.index), 0);
  }
}

void ApplyProgress(HWND bar, const ControlState& state) {
  PBRANGE range{};
  SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  if (range.iLow != 0 || range.iHigh != state.maximum) {
    SendMessageW(bar, PBM_SETRANGE32, 0, state.maximum);
  }
  if (SendMessageW(bar, PBM_GETPOS, 0, 0) != state.position) {
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(state.position), 0);
  }
}

}  // namespace

std::wstring WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

Win32Control* Win32Form::Find(const std::string& name) {
  for (Win32Control& control : controls_) {
    if (control.plan->name == name) return control.hwnd != nullptr ? &control : nullptr;
  }
  return nullptr;
}

Win32Control* Win32Form::FindById(int id) {
  for (Win32Control& control : controls_) {
    if (control.plan->id == id) return control.hwnd != nullptr ? &control : nullptr;
  }
  return nullptr;
}

// A control inside a hidden or disabled group box or panel is hidden or disabled with it.
bool Win32Form::EffectiveVisible(const Win32Control& control) const {
  for (const Win32Control* c = &control; c != nullptr;
       c = c->container >= 0 ? &controls_[static_cast<size_t>(c->container)] : nullptr) {
    if (c->applied && !c->shown.visible) return false;
  }
  return true;
}

bool Win32Form::EffectiveEnabled(const Win32Control& control) const {
  for (const Win32Control* c = &control; c != nullptr;
       c = c->container >= 0 ? &controls_[static_cast<size_t>(c->container)] : nullptr) {
    if (c->applied && !c->shown.enabled) return false;
  }
  return true;
}

void Win32Form::ShowAndEnable(int index) {
  for (size_t i = static_cast<size_t>(index); i < controls_.size(); ++i) {
    const Win32Control& control = controls_[i];
    bool inside = static_cast<int>(i) == index;
    for (int c = control.container; !inside && c >= 0;
         c = controls_[static_cast<size_t>(c)].container) {
      inside = c == index;
    }
    if (!inside || control.hwnd == nullptr) continue;
    const bool visible = EffectiveVisible(control);
    if (((GetWindowLongW(control.hwnd, GWL_STYLE) & WS_VISIBLE) != 0) != visible) {
      ShowWindow(control.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    }
    const bool enabled = EffectiveEnabled(control);
    if ((IsWindowEnabled(control.hwnd) != FALSE) != enabled) EnableWindow(control.hwnd, enabled);
  }
}

int Win32Form::SelectedNode(const Win32Control& control) const {
  const auto selected =
      reinterpret_cast<HTREEITEM>(SendMessageW(control.hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
  for (size_t i = 0; i < control.nodes.size(); ++i) {
    if (control.nodes[i] == selected) return static_cast<int>(i);
  }
  return -1;
}

void Win32Form::ApplyNodes(Win32Control& control, const ControlState& state) {
  HWND tree = control.hwnd;
  if (!control.applied || control.shown.items != state.items) {
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    control.nodes.clear();
    for (const std::string& node : state.items) {
      std::wstring text = Utf8ToWide(node);
      TVINSERTSTRUCTW insert{};
      insert.hParent = TVI_ROOT;
      insert.hInsertAfter = TVI_LAST;
      insert.item.mask = TVIF_TEXT;
      insert.item.pszText = text.data();
      control.nodes.push_back(reinterpret_cast<HTREEITEM>(
          SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert))));
    }
  }
  if (SelectedNode(control) != state.index) {
    const bool valid = state.index >= 0 && static_cast<size_t>(state.index) < control.nodes.size();
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(valid ? control.nodes[static_cast<size_t>(state.index)]
                                                : nullptr));
  }
}

// Row 0 of the cells is the header; the grid keeps at least the rows its description gives.
void Win32Form::ApplyCells(Win32Control& control, const ControlState& state) {
  HWND grid = control.hwnd;
  int columns = static_cast<int>(SendMessageW(
      reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
  // A header of more columns than the description gives adds them.
  for (; !state.cells.empty() && columns < static_cast<int>(state.cells[0].size()); ++columns) {
    AddGridColumn(grid, *control.plan, columns);
  }
  const auto cell = [&state](size_t row, int column) { return Cell(state, row, column); };
  for (int column = 0; column < columns; ++column) {
    std::wstring header = cell(0, column);
    if (control.applied && Cell(control.shown, 0, column) == header) continue;
    LVCOLUMNW change{};
    change.mask = LVCF_TEXT;
    change.pszText = header.data();
    SendMessageW(grid, LVM_SETCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&change));
  }
  const int bodyRows = std::max(control.plan->rows - 1, static_cast<int>(state.cells.size()) - 1);
  int rows = static_cast<int>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0));
  for (; rows < bodyRows; ++rows) {
    LVITEMW item{};
    item.iItem = rows;
    SendMessageW(grid, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  for (; rows > bodyRows; --rows) SendMessageW(grid, LVM_DELETEITEM, rows - 1, 0);
  for (int row = 0; row < bodyRows; ++row) {
    for (int column = 0; column < columns; ++column) {
      std::wstring text = cell(static_cast<size_t>(row) + 1, column);
      if (CellText(grid, row, column) == text) continue;
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = text.data();
      SendMessageW(grid, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
    }
  }
}

void Win32Form::Apply(const std::string& name, const ControlState& state) {
  Win32Control* control = Find(name);
  if (control == nullptr) return;
  Quiet quiet(*this);
  HWND hwnd = control->hwnd;
  switch (control->plan->kind) {
    case ControlKind::kCheck:
    case ControlKind::kRadio:
      if (IsChecked(hwnd) != state.checked) {
        SendMessageW(hwnd, BM_SETCHECK, state.checked ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      [[fallthrough]];
    case ControlKind::kLabel:
    case ControlKind::kButton:
    case ControlKind::kGroup:
    case ControlKind::kEdit:
      SetTextIfDiffers(hwnd, Utf8ToWide(state.text));
      break;
    case ControlKind::kMemo:
      SetTextIfDiffers(hwnd, MemoText(state.items));
      break;
    case ControlKind::kDropDown:
      ApplyChoices(*control, state);
      break;
    case ControlKind::kTree:
      ApplyNodes(*control, state);
      break;
    case ControlKind::kGrid:
      ApplyCells(*control, state);
      break;
    case ControlKind::kProgress:
      ApplyProgress(hwnd, state);
      break;
    case ControlKind::kPanel:
      break;
  }
  control->shown = state;
  control->applied = true;
  ShowAndEnable(static_cast<int>(control - controls_.data()));
}

void Win32Form::SetCaption(const std::string& caption) {
  Quiet quiet(*this);
  SetTextIfDiffers(hwnd_, Utf8ToWide(caption));
}

}  // namespace vdinv::platform::internal
