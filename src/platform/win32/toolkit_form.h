// One open form of the Win32 toolkit: a modal dialog built from its FormPlan, its native
// controls, the user's actions turned into events and the presenter's states applied back.
// toolkit_dialog.cpp builds the dialog and its controls, toolkit_state.cpp applies states,
// toolkit_events.cpp runs the dialog procedure.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
// The name of IToolkit's method, not the ANSI or wide message box.
#undef MessageBox

#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace vdinv::platform::internal {

// A native control and what it was last told to show.
struct Win32Control {
  const ControlPlan* plan = nullptr;
  HWND hwnd = nullptr;
  int container = -1;  // index of the group box or panel that holds it; -1: the dialog
  bool applied = false;
  ControlState shown;
  std::vector<HTREEITEM> nodes;  // kTree: the items in order
  WNDPROC treeProc = nullptr;    // kTree: the tree view's own procedure, under TreeProc
  POINT pressedAt{};             // kTree: where a mouse button last went down (client)
};

class Win32Form final : public IForm {
 public:
  // outer: the form that was active when this one opened (its owner when none is named).
  Win32Form(const FormPlan& plan, IFormEvents& events, HFONT font, Win32Form* outer);
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  // Shows the dialog and returns when it has closed; false when it could not be shown.
  bool Run(HWND owner);
  HWND Window() const { return hwnd_; }
  Win32Form* Outer() const { return outer_; }

  void Apply(const std::string& control, const ControlState& state) override;
  void SetCaption(const std::string& caption) override;
  void SetClientHeight(int height) override;
  void StartTimer(int timer, uint32_t intervalMs) override;
  void StopTimer(int timer) override;
  void Hide() override;
  void Show() override;
  void Close() override;

 private:
  // Changes made by the form itself raise no events while one of these lives.
  class Quiet {
   public:
    explicit Quiet(Win32Form& form) : form_(form) { ++form_.quiet_; }
    ~Quiet() { --form_.quiet_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

   private:
    Win32Form& form_;
  };

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TreeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // toolkit_dialog.cpp
  std::vector<DWORD> DialogTemplate() const;
  int Scaled(int pixels) const;
  void SizeAndCentre(int width, int height);
  void CreateControls();
  int Depth(const Win32Control& control) const;  // containers around it
  void StackContainers();
  HWND CreateControl(const ControlPlan& plan, int left, int top);
  void PrepareGrid(HWND grid, const ControlPlan& plan);
  void AddGridColumn(HWND grid, const ControlPlan& plan, int column);

  // toolkit_state.cpp
  Win32Control* Find(const std::string& name);
  Win32Control* FindById(int id);
  bool EffectiveVisible(const Win32Control& control) const;
  bool EffectiveEnabled(const Win32Control& control) const;
  void ShowAndEnable(int index);
  void ApplyNodes(Win32Control& control, const ControlState& state);
  void ApplyCells(Win32Control& control, const ControlState& state);
  int SelectedNode(const Win32Control& control) const;

  // toolkit_events.cpp
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInit();
  void OnCommand(int id, int code);
  void OnNotify(const NMHDR& header);
  void OnTreeRightClick(Win32Control& tree);
  int NodeIndex(const Win32Control& tree, HTREEITEM node) const;
  void OnFrameClosed();
  void Raise(Event event);
  void EndIfAsked();
  void End();

  const FormPlan& plan_;
  IFormEvents& events_;
  HFONT font_;
  Win32Form* outer_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  std::vector<Win32Control> controls_;
  int quiet_ = 0;
  int handlers_ = 0;  // handlers of this form running (nested loops included)
  bool closeAsked_ = false;
  bool ended_ = false;
};

// The text of a window or control.
std::wstring WindowText(HWND hwnd);

// The font every control shows: one that has the Chinese glyphs.
HFONT DialogFont();

}  // namespace vdinv::platform::internal
