// The dialog procedure of a form: the user's actions become events for the form's handler, the
// form's own changes (Apply, captions, hiding) raise none, and the dialog ends once the handler
// that asked for it has returned. No exception leaves a window procedure.
#include "platform/win32/code_page.h"
#include "platform/win32/toolkit_form.h"

namespace vdinv::platform::internal {
namespace {

std::vector<std::string> MemoLines(const std::wstring& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L'\n', start);
    std::wstring line = text.substr(start, end == std::wstring::npos ? end : end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(WideToUtf8(line));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return lines;
}

// The node at a point of the tree's client area, or null.
HTREEITEM NodeAt(HWND tree, POINT point) {
  TVHITTESTINFO hit{};
  hit.pt = point;
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

Event MakeEvent(EventKind kind, const std::string& control = {}) {
  Event event;
  event.kind = kind;
  event.control = control;
  return event;
}

}  // namespace

Win32Form::Win32Form(const FormPlan& plan, IFormEvents& events, HFONT font, Win32Form* outer)
    : plan_(plan), events_(events), font_(font), outer_(outer) {}

bool Win32Form::Run(HWND owner) {
  static const int anchor = 0;  // any address inside this module names it
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&anchor), &module);
  const std::vector<DWORD> dialog = DialogTemplate();
  return DialogBoxIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), owner,
                                 DialogProc, reinterpret_cast<LPARAM>(this)) != -1;
}

INT_PTR CALLBACK Win32Form::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_INITDIALOG) {
      auto* form = reinterpret_cast<Win32Form*>(lParam);
      SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
      form->hwnd_ = hwnd;
      return form->OnInit();
    }
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return form != nullptr ? form->OnMessage(message, wParam, lParam) : FALSE;
  } catch (...) {
    return FALSE;
  }
}

LRESULT CALLBACK Win32Form::TreeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC own = nullptr;
  try {
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    Win32Control* tree = form != nullptr ? form->FindById(GetDlgCtrlID(hwnd)) : nullptr;
    if (tree != nullptr) {
      own = tree->treeProc;
      // The tree reports a click without its place; the node clicked is the one under the
      // button as it went down (the pointer may have moved on since).
      if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN) {
        tree->pressedAt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      }
      if (message == WM_KEYUP) {
        Event event = MakeEvent(EventKind::kKeyReleased, tree->plan->name);
        event.index = form->SelectedNode(*tree);
        event.key = static_cast<int>(wParam);
        form->Raise(std::move(event));
      }
    }
  } catch (...) {
  }
  return own != nullptr ? CallWindowProcW(own, hwnd, message, wParam, lParam)
                        : DefWindowProcW(hwnd, message, wParam, lParam);
}

BOOL Win32Form::OnInit() {
  if (HDC screen = GetDC(hwnd_)) {
    dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(hwnd_, screen);
  }
  HWND first = nullptr;
  {
    Quiet quiet(*this);
    SizeAndCentre(plan_.width, plan_.height);
    CreateControls();
    for (const Win32Control& control : controls_) {
      if (control.plan->isDefault && control.hwnd != nullptr && first == nullptr) {
        first = control.hwnd;
        SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(control.plan->id), 0);
      }
    }
  }
  ++handlers_;
  try {
    events_.Opened(*this);
  } catch (...) {
  }
  --handlers_;
  EndIfAsked();
  if (first == nullptr) return TRUE;
  SetFocus(first);
  return FALSE;
}

INT_PTR Win32Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      return FALSE;
    case WM_LBUTTONDBLCLK:
      Raise(MakeEvent(EventKind::kDoubleClicked));
      return TRUE;
    case WM_TIMER: {
      Event event = MakeEvent(EventKind::kTimer);
      event.timer = static_cast<int>(wParam);
      Raise(std::move(event));
      return TRUE;
    }
    case WM_ACTIVATE:
      Raise(MakeEvent(LOWORD(wParam) == WA_INACTIVE ? EventKind::kDeactivated
                                                    : EventKind::kActivated));
      return FALSE;  // the dialog manager keeps the focus where it was
    case WM_CLOSE:
      OnFrameClosed();
      return TRUE;
    default:
      return FALSE;
  }
}

void Win32Form::OnCommand(int id, int code) {
  if (id == IDCANCEL) {  // Escape
    OnFrameClosed();
    return;
  }
  Win32Control* control = FindById(id);
  if (control == nullptr || quiet_ > 0) return;
  Event event = MakeEvent(EventKind::kClicked, control->plan->name);
  switch (control->plan->kind) {
    case ControlKind::kButton:
      if (code != BN_CLICKED) return;
      event.kind = EventKind::kClicked;
      break;
    case ControlKind::kRadio:
      if (code == BN_DOUBLECLICKED) {
        event.kind = EventKind::kDoubleClicked;
        break;
      }
      if (code != BN_CLICKED) return;
      {
        // The options of one container exclude each other even where other controls lie
        // between them in the tab order.
        Quiet quiet(*this);
        for (Win32Control& other : controls_) {
          if (&other != control && other.plan->kind == ControlKind::kRadio &&
              other.container == control->container && other.hwnd != nullptr) {
            SendMessageW(other.hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
          }
        }
        SendMessageW(control->hwnd, BM_SETCHECK, BST_CHECKED, 0);
      }
      event.kind = EventKind::kClicked;
      event.checked = true;
      break;
    case ControlKind::kCheck:
      if (code != BN_CLICKED) return;
      event.kind = EventKind::kClicked;
      event.checked = SendMessageW(control->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
      break;
    case ControlKind::kEdit:
      if (code != EN_CHANGE && code != EN_KILLFOCUS) return;
      event.kind = code == EN_CHANGE ? EventKind::kEdited : EventKind::kLeft;
      event.text = WideToUtf8(WindowText(control->hwnd));
      break;
    case ControlKind::kMemo:
      if (code != EN_CHANGE) return;
      event.kind = EventKind::kEdited;
      event.items = MemoLines(WindowText(control->hwnd));
      break;
    case ControlKind::kDropDown:
      if (code != CBN_SELCHANGE) return;
      event.kind = EventKind::kSelected;
      event.index = static_cast<int>(SendMessageW(control->hwnd, CB_GETCURSEL, 0, 0));
      break;
    default:
      return;
  }
  Raise(std::move(event));
}

void Win32Form::OnNotify(const NMHDR& header) {
  Win32Control* control = FindById(static_cast<int>(header.idFrom));
  if (control == nullptr || control->plan->kind != ControlKind::kTree) return;
  Event event = MakeEvent(EventKind::kClicked, control->plan->name);
  switch (header.code) {
    case TVN_SELCHANGEDW: {
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      event.kind = EventKind::kSelected;
      for (size_t i = 0; i < control->nodes.size(); ++i) {
        if (control->nodes[i] == change.itemNew.hItem) event.index = static_cast<int>(i);
      }
      break;
    }
    case NM_CLICK:
    case NM_DBLCLK:
      // The node clicked: a click arrives before the selection moves to it.
      event.index = NodeIndex(*control, NodeAt(control->hwnd, control->pressedAt));
      event.kind = header.code == NM_CLICK ? EventKind::kClicked : EventKind::kDoubleClicked;
      break;
    case NM_RCLICK:
      OnTreeRightClick(*control);
      return;
    default:
      return;
  }
  Raise(std::move(event));
}

int Win32Form::NodeIndex(const Win32Control& tree, HTREEITEM node) const {
  for (size_t i = 0; i < tree.nodes.size(); ++i) {
    if (node != nullptr && tree.nodes[i] == node) return static_cast<int>(i);
  }
  return -1;
}

// The tree view leaves the selection where it was on a right click; here it moves to the node
// under the pointer, and the form hears what a left click tells: the click on the node, then
// the selection's move, when the click's handler has not made it already.
void Win32Form::OnTreeRightClick(Win32Control& tree) {
  const HTREEITEM node = NodeAt(tree.hwnd, tree.pressedAt);
  Event event = MakeEvent(EventKind::kClicked, tree.plan->name);
  event.index = NodeIndex(tree, node);
  Raise(std::move(event));
  if (node == nullptr || ended_) return;
  SendMessageW(tree.hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
}

void Win32Form::OnFrameClosed() {
  if (ended_) return;
  Raise(MakeEvent(EventKind::kFrameClosed));
  closeAsked_ = true;
  EndIfAsked();
}

void Win32Form::Raise(Event event) {
  if (quiet_ > 0 || ended_) return;
  ++handlers_;
  try {
    events_.Handle(*this, event);
  } catch (...) {
  }
  --handlers_;
  EndIfAsked();
}

void Win32Form::EndIfAsked() {
  if (closeAsked_ && handlers_ == 0 && !ended_) End();
}

void Win32Form::End() {
  ended_ = true;  // the focus leaving an edit as the dialog goes is no user's action
  EndDialog(hwnd_, 1);
}

void Win32Form::Close() {
  closeAsked_ = true;
  EndIfAsked();
}

void Win32Form::StartTimer(int timer, uint32_t intervalMs) {
  SetTimer(hwnd_, static_cast<UINT_PTR>(timer), intervalMs, nullptr);
}

void Win32Form::StopTimer(int timer) {
  KillTimer(hwnd_, static_cast<UINT_PTR>(timer));
}

void Win32Form::Hide() {
  Quiet quiet(*this);
  ShowWindow(hwnd_, SW_HIDE);
}

void Win32Form::Show() {
  Quiet quiet(*this);
  ShowWindow(hwnd_, SW_SHOW);
}

}  // namespace vdinv::platform::internal
