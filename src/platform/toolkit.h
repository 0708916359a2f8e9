// The window toolkit of the system: modal windows built from a description of their controls,
// message boxes, the save and print dialogs and the system's help viewer. The
// configuration side describes each window once (its controls by name, kind, place and text),
// binds the user's actions to its presenters and applies their state back; each backend only
// turns descriptions into native controls. On Linux the toolkit is Qt, in a module of its own
// beside the driver (VD_Inv_ui.so) that is loaded only when a window is first asked for, so a
// host that only runs lines never loads Qt; on Windows it is Win32 controls inside the driver.
//
// Everything runs on the calling thread (the host's user-interface thread). No exception leaves
// a backend, and every event handler is called from inside the backend's modal loop: a handler
// may show another modal window or a message box (a nested loop) before it returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vdinv::platform {

enum class ControlKind {
  kLabel,     // static text
  kButton,    // push button; clicked
  kRadio,     // option of the window's one group (or of its parent group box); clicked
  kCheck,     // check box; clicked, with its new state
  kEdit,      // one line of text; edited at each keystroke, left when it loses the focus
  kDropDown,  // a list to choose from, not typed into; selected with the new position
  kMemo,      // several lines, read-only unless editable; edited with the lines
  kTree,      // a flat list of nodes shown as a tree; selected, clicked, key released
  kGrid,      // a table of texts; row 0 is the header
  kGroup,     // a framed group box with a caption; holds the controls that name it parent
  kPanel,     // a plain area that holds the controls that name it parent
  kProgress,  // a progress bar
};

// One control of a window. Places are in pixels at 96 dots per inch, relative to the parent
// (the window's client area or the group box or panel named as parent).
struct ControlPlan {
  std::string name;  // the window name: the object name in Qt
  int id = 0;        // the control id on Windows (the shared list of control ids)
  ControlKind kind = ControlKind::kLabel;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::string parent;             // a kGroup or kPanel of the same window; empty: the window
  bool editable = false;          // kEdit and kMemo: typing allowed; kGrid: never
  bool isDefault = false;         // kButton: the button Enter presses; the first focus
  int columns = 0;                // kGrid
  int rows = 0;                   // kGrid, including the header
  std::vector<int> columnWidths;  // kGrid, pixels
};

struct FormPlan {
  std::string name;     // the form's class name (TStartFrm); the object name in Qt
  std::string caption;  // UTF-8
  int width = 0;        // client area, pixels at 96 dots per inch
  int height = 0;
  bool topMost = false;
  std::vector<ControlPlan> controls;  // parents come before the controls they hold
};

// What a control shows. Every field a kind does not use is ignored.
struct ControlState {
  std::string text;                // caption, or the text of an edit
  std::vector<std::string> items;  // drop-down choices, tree nodes, memo lines
  int index = -1;                  // chosen drop-down item or selected node; -1: none
  bool visible = true;
  bool enabled = true;
  bool checked = false;                         // check box ticked, option chosen
  std::vector<std::vector<std::string>> cells;  // kGrid: cells[row][column]
  int position = 0;                             // kProgress
  int maximum = 100;                            // kProgress
  bool operator==(const ControlState&) const = default;
};

enum class EventKind {
  kClicked,        // button, option, check box (checked: its new state), tree
  kDoubleClicked,  // option, tree, or the form itself (control empty)
  kEdited,         // edit (text) or editable memo (items) changed by the user
  kLeft,           // edit lost the focus (text)
  kSelected,       // drop-down chosen or tree selection moved by the user (index)
  kKeyReleased,    // tree: a key released (key: the Windows virtual key code, Delete 46)
  kTimer,          // a timer of the form ran out (timer)
  kActivated,      // the form became the active window
  kDeactivated,    // the form stopped being the active window
  kFrameClosed,    // the user closed the form by its frame; it closes after the handler
};

struct Event {
  EventKind kind = EventKind::kClicked;
  std::string control;  // the control's name; empty for the form
  std::string text;
  std::vector<std::string> items;
  int index = -1;
  bool checked = false;
  int key = 0;
  int timer = 0;
};

// The open form, handed to the handler. Changes from here never raise events.
class IForm {
 public:
  virtual ~IForm() = default;
  // Shows the state; the backend changes only what differs from what the control shows (an
  // edit's text being typed keeps its cursor when it is set to what it holds).
  virtual void Apply(const std::string& control, const ControlState& state) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetClientHeight(int height) = 0;
  // A repeating timer; starting a running timer restarts it with the new interval.
  virtual void StartTimer(int timer, uint32_t intervalMs) = 0;
  virtual void StopTimer(int timer) = 0;
  // Hides and shows the form while it stays open (a message box over a hidden page).
  virtual void Hide() = 0;
  virtual void Show() = 0;
  // Closes the form once the current handler returns; ShowModal then returns.
  virtual void Close() = 0;
};

class IFormEvents {
 public:
  virtual ~IFormEvents() = default;
  // The form exists but is not shown yet: the handler applies its first state.
  virtual void Opened(IForm& form) = 0;
  virtual void Handle(IForm& form, const Event& event) = 0;
};

enum class MessageIcon { kInformation, kQuestion, kWarning, kError };

// How a print job ended: the caller tells the user of a failure, not of a cancelled dialog.
enum class PrintResult { kPrinted, kCancelled, kFailed };

class IToolkit {
 public:
  virtual ~IToolkit() = default;
  // Shows the form modally, centred on the screen, fixed size, a single border and the system
  // menu only, and returns when it has closed. owner: the host's window (an X11 window id or an
  // HWND) for the first form of a run, 0 for a form over the toolkit's active form or none.
  virtual void ShowModal(const FormPlan& form, IFormEvents& events, uintptr_t owner) = 0;
  // A modal message box with one OK button over the active form (or none).
  virtual void MessageBox(const std::string& caption, const std::string& text,
                          MessageIcon icon) = 0;
  // A question with the buttons OK ("确定") and Cancel ("取消") over the active form (or
  // none); true when OK was chosen, false when cancelled or closed.
  virtual bool Confirm(const std::string& caption, const std::string& text) = 0;
  // The save dialog: the chosen path (UTF-8) or nothing when cancelled. filter: a description
  // and an extension ("调试日志文件", "log"), which is added to a name typed without one.
  virtual std::optional<std::string> AskSavePath(const std::string& description,
                                                 const std::string& extension) = 0;
  // The print dialog; when confirmed, prints the lines, one printed line each.
  virtual PrintResult PrintLines(const std::string& title,
                                 const std::vector<std::string>& lines) = 0;
  // Opens a help file in the system's help viewer without waiting; failures are not reported.
  // Windows: the command line "hh " + path (the HTML help viewer), its window maximised, as
  // Windows programs open their compiled help. Linux: the page in the desktop's browser.
  virtual void OpenHelp(const std::string& path) = 0;
};

// The system's toolkit, made on first use on the calling thread; null when no window can be
// shown (no display, no UI module, or a thread other than the toolkit's own). Never aborts.
IToolkit* Toolkit();

}  // namespace vdinv::platform
