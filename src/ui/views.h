// The seam between the presenters of the configuration side and a toolkit: the toolkit shows
// a presenter's window modally and forwards the user's actions to the presenter's methods; the
// presenters hold every rule and every text. Qt gives one implementation (the UI module beside
// VD_Inv.so on Linux), Win32 dialogs the other (inside VD_Inv.dll). Without one, nothing is
// shown: DLLEdDev returns 2 and an interactive DLLTestDev makes the silent check.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vdinv::ui {

class StartPage;
class ConnectionPage;
class SingleDevicePage;
class DeviceListPage;
class SerialPage;
class SummaryPage;
class DebugForm;
class TestWindow;

class IViews {
 public:
  virtual ~IViews() = default;

  // Each shows the presenter's window modally and returns when it has closed; the presenter's
  // state (its wizard run's next page, its result) says what the user chose.
  virtual void Show(StartPage& page) = 0;
  virtual void Show(ConnectionPage& page) = 0;
  virtual void Show(SingleDevicePage& page) = 0;
  virtual void Show(DeviceListPage& page) = 0;
  virtual void Show(SerialPage& page) = 0;
  virtual void Show(SummaryPage& page) = 0;
  virtual void Show(DebugForm& form) = 0;
  virtual void Show(TestWindow& window) = 0;

  // An information message box with an OK button (UTF-8). The window it is shown over is
  // hidden meanwhile when hideOwner is set, and shown again afterwards.
  virtual void Inform(const std::string& text, bool hideOwner) = 0;
  // A message box with the question icon and an OK button.
  virtual void Question(const std::string& text) = 0;
  // A question with "确定" and "取消" over the window shown; true when the user confirms.
  virtual bool Confirm(const std::string& text) = 0;
  // Opens the driver's help file (a path HelpFiles of the start page found) in the system's
  // help viewer, without waiting; failures are not reported.
  virtual void OpenHelp(const std::string& path) = 0;

  // Makes the host's window (an X11 window id on Linux, an HWND on Windows; 0 for none) the
  // owner of every window shown from now on, so that they are modal to it; returns the owner
  // that was in force, which the caller hands back when its windows are done.
  virtual uintptr_t SetOwnerWindow(uintptr_t window) = 0;
  // The save dialog: the chosen file (UTF-8), or nothing when the user cancels. The filter is
  // "description|extension"; the default extension is added to a name typed without one.
  virtual std::optional<std::string> AskSavePath(const std::string& filter,
                                                 const std::string& defaultExtension) = 0;
  // The print dialog; when it is confirmed, prints the lines as text, one printed line per
  // line, in the viewer's font. False when printing failed (not when the dialog was cancelled).
  virtual bool PrintLines(const std::vector<std::string>& lines) = 0;
};

}  // namespace vdinv::ui
