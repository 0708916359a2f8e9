// The window toolkit on Qt Widgets: forms as dialogs with modal loops of their own, message
// boxes, the save and print dialogs, the help pages in the desktop's browser.
#pragma once

#include <vector>

#include "platform/toolkit.h"

class QWidget;

namespace vdinv::platform::qt {

class Form;

class QtToolkit final : public IToolkit {
 public:
  void ShowModal(const FormPlan& form, IFormEvents& events, uintptr_t owner) override;
  void MessageBox(const std::string& caption, const std::string& text, MessageIcon icon) override;
  bool Confirm(const std::string& caption, const std::string& text) override;
  std::optional<std::string> AskSavePath(const std::string& description,
                                         const std::string& extension) override;
  PrintResult PrintLines(const std::string& title, const std::vector<std::string>& lines) override;
  void OpenHelp(const std::string& path) override;

 private:
  // The innermost open form (the one a dialog is shown over), or the application's active
  // modal window, or null.
  QWidget* ActiveWindow() const;

  std::vector<Form*> forms_;  // open forms, innermost last
};

// The process's toolkit for the calling thread: Qt's application is the host's when it has
// one, or made here on first use when a display is usable. Null when no display is usable, the
// host's application has no widgets, or the caller is not on the application's thread.
IToolkit* ProcessToolkit();

}  // namespace vdinv::platform::qt
