// Building a form's dialog: the in-memory template, the client size in pixels, the native
// controls with their ids, places, styles and the font.
#include <algorithm>

#include "platform/win32/code_page.h"
#include "platform/win32/toolkit_form.h"

namespace vdinv::platform::internal {
namespace {

constexpr DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER;
// The list of a drop-down opens below its field; Windows counts it in the control's height.
constexpr int kDropDownListHeight = 200;
constexpr int kDefaultColumnWidth = 80;

void Append(std::vector<WORD>& words, DWORD value) {
  words.push_back(LOWORD(value));
  words.push_back(HIWORD(value));
}

struct NativeKind {
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
};

NativeKind NativeKindOf(const ControlPlan& plan) {
  const DWORD readOnly = plan.editable ? 0 : ES_READONLY;
  switch (plan.kind) {
    case ControlKind::kLabel:
      return {L"STATIC", SS_LEFT, 0};
    case ControlKind::kButton:
      return {L"BUTTON",
              static_cast<DWORD>(WS_TABSTOP | (plan.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)),
              0};
    case ControlKind::kRadio:
      return {L"BUTTON", WS_TABSTOP | BS_AUTORADIOBUTTON | BS_NOTIFY, 0};
    case ControlKind::kCheck:
      return {L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case ControlKind::kEdit:
      return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | readOnly, WS_EX_CLIENTEDGE};
    case ControlKind::kDropDown:
      return {L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case ControlKind::kMemo:
      return {L"EDIT",
              WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | readOnly |
                  (plan.editable ? ES_WANTRETURN : 0),
              WS_EX_CLIENTEDGE};
    case ControlKind::kTree:
      return {WC_TREEVIEWW,
              WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP,
              WS_EX_CLIENTEDGE};
    case ControlKind::kGrid:
      return {WC_LISTVIEWW,
              WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
              WS_EX_CLIENTEDGE};
    case ControlKind::kGroup:
      // Containers lie below what they hold and never paint over it.
      return {L"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case ControlKind::kPanel:
      return {L"STATIC", SS_LEFT | WS_CLIPSIBLINGS, 0};
    case ControlKind::kProgress:
      return {PROGRESS_CLASSW, 0, 0};
  }
  return {L"STATIC", SS_LEFT, 0};
}

bool IsContainer(ControlKind kind) {
  return kind == ControlKind::kGroup || kind == ControlKind::kPanel;
}

}  // namespace

HFONT DialogFont() {
  // Made once for the process and kept: every form's controls share it.
  static const HFONT font = [] {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    // The character set, not the face, makes the font mapper pick one with the Chinese glyphs
    // where SimSun itself is missing.
    return CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"SimSun");
  }();
  return font;
}

// DLGTEMPLATEEX without items and without a font (the controls are made in WM_INITDIALOG and
// get the dialog font there); the size is set in pixels once the dialog exists.
std::vector<DWORD> Win32Form::DialogTemplate() const {
  std::vector<WORD> words;
  words.push_back(1);       // dlgVer
  words.push_back(0xFFFF);  // signature
  Append(words, 0);         // helpID
  Append(words, plan_.topMost ? WS_EX_TOPMOST : 0);
  Append(words, kDialogStyle);
  words.push_back(0);                              // cDlgItems
  for (int i = 0; i < 4; ++i) words.push_back(0);  // x, y, cx, cy
  words.push_back(0);                              // no menu
  words.push_back(0);                              // the dialog class
  const std::wstring caption = Utf8ToWide(plan_.caption);
  words.insert(words.end(), caption.begin(), caption.end());
  words.push_back(0);
  std::vector<DWORD> aligned((words.size() + 1) / 2, 0);
  std::copy(words.begin(), words.end(), reinterpret_cast<WORD*>(aligned.data()));
  return aligned;
}

int Win32Form::Scaled(int pixels) const {
  return MulDiv(pixels, dpi_, 96);
}

void Win32Form::SizeAndCentre(int width, int height) {
  RECT frame{0, 0, Scaled(width), Scaled(height)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
  const int outerWidth = static_cast<int>(frame.right - frame.left);
  const int outerHeight = static_cast<int>(frame.bottom - frame.top);
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + std::max(0, static_cast<int>(work.right - work.left - outerWidth) / 2);
  const int y = work.top + std::max(0, static_cast<int>(work.bottom - work.top - outerHeight) / 2);
  SetWindowPos(hwnd_, nullptr, x, y, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::SetClientHeight(int height) {
  Quiet quiet(*this);
  RECT client{};
  GetClientRect(hwnd_, &client);
  RECT frame{0, 0, client.right, Scaled(height)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Win32Form::CreateControl(const ControlPlan& plan, int left, int top) {
  NativeKind native = NativeKindOf(plan);
  const int height =
      Scaled(plan.height) + (plan.kind == ControlKind::kDropDown ? Scaled(kDropDownListHeight) : 0);
  HWND control = CreateWindowExW(
      native.exStyle, native.windowClass, L"", WS_CHILD | WS_VISIBLE | native.style, Scaled(left),
      Scaled(top), Scaled(plan.width), height, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(plan.id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)), nullptr);
  if (control == nullptr) return nullptr;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (plan.kind == ControlKind::kGrid) PrepareGrid(control, plan);
  return control;
}

void Win32Form::AddGridColumn(HWND grid, const ControlPlan& plan, int column) {
  const std::vector<int>& widths = plan.columnWidths;
  const auto at = static_cast<size_t>(column);
  LVCOLUMNW header{};
  header.mask = LVCF_WIDTH | LVCF_TEXT;
  header.cx = Scaled(at < widths.size() ? widths[at] : kDefaultColumnWidth);
  header.pszText = const_cast<wchar_t*>(L"");
  SendMessageW(grid, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
               reinterpret_cast<LPARAM>(&header));
}

void Win32Form::PrepareGrid(HWND grid, const ControlPlan& plan) {
  SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (int column = 0; column < plan.columns; ++column) AddGridColumn(grid, plan, column);
  for (int row = 1; row < plan.rows; ++row) {
    LVITEMW item{};
    item.iItem = row - 1;
    SendMessageW(grid, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
}

void Win32Form::CreateControls() {
  struct Place {
    int left;
    int top;
  };
  std::vector<Place> places;
  controls_.reserve(plan_.controls.size());
  std::vector<int> firstRadioSeen;  // containers (as index + 1) whose option group has begun
  for (const ControlPlan& plan : plan_.controls) {
    Win32Control control;
    control.plan = &plan;
    Place place{plan.x, plan.y};
    if (!plan.parent.empty()) {
      for (size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].plan->name == plan.parent && IsContainer(controls_[i].plan->kind)) {
          control.container = static_cast<int>(i);
          place.left += places[i].left;
          place.top += places[i].top;
          break;
        }
      }
    }
    control.hwnd = CreateControl(plan, place.left, place.top);
    // Each container's options are one group, which begins at its first option; every other
    // control begins a group of its own, so options of different containers never mix.
    if (control.hwnd != nullptr) {
      bool groupStart = true;
      if (plan.kind == ControlKind::kRadio) {
        const int key = control.container + 1;
        groupStart =
            std::find(firstRadioSeen.begin(), firstRadioSeen.end(), key) == firstRadioSeen.end();
        if (groupStart) firstRadioSeen.push_back(key);
      }
      if (groupStart) {
        SetWindowLongW(control.hwnd, GWL_STYLE, GetWindowLongW(control.hwnd, GWL_STYLE) | WS_GROUP);
      }
    }
    controls_.push_back(std::move(control));
    places.push_back(place);
    Win32Control& tree = controls_.back();
    if (tree.hwnd != nullptr && plan.kind == ControlKind::kTree) {
      // Subclassed the classic way: the subclass helpers of the common controls exist by name
      // only from their version 6, which a module without a manifest does not get.
      SetWindowLongPtrW(tree.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      tree.treeProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(tree.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeProc)));
    }
  }
  StackContainers();
}

int Win32Form::Depth(const Win32Control& control) const {
  int depth = 0;
  // Parents come before what they hold, so the chain ends; the bound guards a bad plan.
  for (int at = control.container; at >= 0 && depth <= static_cast<int>(controls_.size());
       at = controls_[static_cast<size_t>(at)].container) {
    ++depth;
  }
  return depth;
}

// Containers lie below every other control, and an inner container above the one that holds
// it: each clips its siblings above it out of its painting, so a group box below its outer one
// would lose its caption and frame to the outer box, and a control below its group box would
// be painted over by it. Each container in turn goes to the bottom, the innermost first.
void Win32Form::StackContainers() {
  std::vector<const Win32Control*> containers;
  for (const Win32Control& control : controls_) {
    if (control.hwnd != nullptr && IsContainer(control.plan->kind)) containers.push_back(&control);
  }
  std::stable_sort(
      containers.begin(), containers.end(),
      [this](const Win32Control* a, const Win32Control* b) { return Depth(*a) > Depth(*b); });
  for (const Win32Control* container : containers) {
    SetWindowPos(container->hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

}  // namespace vdinv::platform::internal
