// The Win32 toolkit: forms as modal dialogs of native controls inside the driver. Each thread
// that shows forms keeps its own chain of open forms (a window belongs to the thread that made
// it); a form shown without an owner is owned by the thread's innermost open form.
#include "platform/toolkit.h"

#include "platform/win32/toolkit_common_dialogs.h"
#include "platform/win32/toolkit_form.h"

namespace vdinv::platform {
namespace {

using internal::Win32Form;

thread_local Win32Form* tInnermost = nullptr;

HWND InnermostWindow() {
  return tInnermost != nullptr ? tInnermost->Window() : nullptr;
}

class Win32Toolkit final : public IToolkit {
 public:
  void ShowModal(const FormPlan& plan, IFormEvents& events, uintptr_t owner) override {
    try {
      HWND parent = owner != 0 ? reinterpret_cast<HWND>(owner) : InnermostWindow();
      if (parent != nullptr && !IsWindow(parent)) parent = InnermostWindow();
      Win32Form form(plan, events, internal::DialogFont(), tInnermost);
      struct Innermost {
        explicit Innermost(Win32Form& form) { tInnermost = &form; }
        ~Innermost() { tInnermost = outer; }
        Win32Form* outer = tInnermost;
      } innermost(form);
      form.Run(parent);
    } catch (...) {
    }
  }

  void MessageBox(const std::string& caption, const std::string& text, MessageIcon icon) override {
    try {
      internal::ShowMessageBox(InnermostWindow(), caption, text, icon);
    } catch (...) {
    }
  }

  bool Confirm(const std::string& caption, const std::string& text) override {
    try {
      return internal::AskConfirmation(InnermostWindow(), caption, text);
    } catch (...) {
      return false;
    }
  }

  std::optional<std::string> AskSavePath(const std::string& description,
                                         const std::string& extension) override {
    try {
      return internal::AskSavePathFor(InnermostWindow(), description, extension);
    } catch (...) {
      return std::nullopt;
    }
  }

  PrintResult PrintLines(const std::string& title, const std::vector<std::string>& lines) override {
    try {
      return internal::PrintLinesOn(InnermostWindow(), title, lines);
    } catch (...) {
      return PrintResult::kFailed;
    }
  }

  void OpenHelp(const std::string& path) override {
    try {
      internal::OpenWithHelpViewer(path);
    } catch (...) {
    }
  }
};

// A session without a desktop (a service, or Wine without a display driver) cannot make a
// window at all.
bool WindowsCanBeMade() {
  HWND probe =
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

}  // namespace

IToolkit* Toolkit() {
  static IToolkit* const toolkit = []() -> IToolkit* {
    try {
      INITCOMMONCONTROLSEX classes{};
      classes.dwSize = sizeof classes;
      classes.dwICC =
          ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
      InitCommonControlsEx(&classes);
      if (!WindowsCanBeMade()) return nullptr;
      return new Win32Toolkit;
    } catch (...) {
      return nullptr;
    }
  }();
  return toolkit;
}

}  // namespace vdinv::platform
