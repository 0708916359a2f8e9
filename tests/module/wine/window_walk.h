// A user of the configuration windows of VD_Inv.dll under Wine, on a thread of its own beside
// the host's call (or as a second process). It knows what a user sees: windows by a part of
// their caption (the device name and type surround the page's own), controls by their kind
// (window class) and their visible text: a button, option or check box by its caption, a group
// by its caption, an edit or a list by the label beside it or above it, the tree and the table
// by their class. It acts as the user's input does: clicks, keystrokes into the focused edit,
// the focus moving on; it can capture a window as the screen shows it.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vdinv::test {

// The visible window of the process whose caption holds the text (UTF-8), waited for up to
// timeoutMs; null when none appeared.
HWND WaitForWindow(const std::string& captionPart, DWORD process, int timeoutMs = 20000);
// Waits up to timeoutMs until the window is gone or hidden; false when it stays.
bool WaitUntilGone(HWND window, int timeoutMs = 20000);
// A visible dialog of the process other than the window (a message box over a page); null when
// there is none.
HWND OtherDialog(HWND window);
// Polls until done() holds, up to timeoutMs; whether it held.
bool PollUntil(int timeoutMs, const std::function<bool()>& done);

// The text of a window or control (UTF-8).
std::string TextOf(HWND control);

// Controls as the user sees them; null when the window shows none.
// The visible control of the class (L"Button", L"Edit", WC_TREEVIEWW, ...) whose text is the
// given one; empty text: the first of the class in the window.
HWND ControlOf(HWND window, const wchar_t* windowClass, const std::string& text = {});
// A push button, option or check box by its caption; a group box by its caption.
HWND Button(HWND window, const std::string& caption);
HWND Group(HWND window, const std::string& caption);
// The control of the class beside a label: the nearest on the label's line to its right, else
// the nearest below it.
HWND Beside(HWND window, const std::string& label, const wchar_t* windowClass = L"Edit");
// The visible controls of the class inside a group box, top to bottom, then left to right.
std::vector<HWND> Inside(HWND window, HWND group, const wchar_t* windowClass);
// The enclosing siblings (group boxes and panels whose rectangle holds the control's) that lie
// above it in the z-order: any of them would paint over it.
std::vector<HWND> EnclosingAbove(HWND control);

// The texts of the tree's nodes in order, or of a cell of the table (row 0: the first below the
// header); the control must belong to this process.
std::vector<std::string> NodesOf(HWND tree);
std::string CellOf(HWND table, int row, int column);

// A click on a button, option or check box that returns once its handler has; the button
// takes the focus first, as a mouse click gives it. False when the handler did not return in
// time (it waits in a window it opened, say) or there is no such control.
bool Click(HWND control);
// A click whose handler opens another modal window: posted, so the caller goes on.
void ClickOpening(HWND control);
// A right click on a node of the tree (this process's): the pointer moved onto its text, the
// button pressed and released; returns once the tree's selection is on it or after a while.
void RightClickNode(HWND tree, int node);
// A drop-down choice as the user makes it (the list's selection, then its notification).
void Choose(HWND list, int position);
// The focus moved to the control as a click or the Tab key moves it (an edit gets all its text
// selected); whether it got there.
bool Focus(HWND control);
// The control that has the focus in the window's thread.
HWND Focused(HWND window);
// Keystrokes: each character of text (UTF-8) into the focused control, as the keyboard types
// it; false when one was not taken in time (a window opened by the keystroke waits, say).
bool TypeKeys(HWND window, const std::string& text);
// A key pressed and released on the focused control, through the dialog's own handling (Tab
// moves the focus on, Enter presses the default button).
void PressKey(HWND window, UINT virtualKey);

// The window as the screen shows it: rows top to bottom, 0x00RRGGBB per pixel.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};
Capture CaptureOf(HWND window);
// How many pixels of the rectangle (the window's own coordinates, as GetWindowRect gives them
// relative to its top left) differ from the colour.
int PixelsDiffering(const Capture& capture, const RECT& rect, COLORREF colour);
// Where a group box's caption is drawn, relative to its window's top left: the first line of
// the box after the frame's indent, as wide as its text in the dialog font.
RECT CaptionRect(HWND group);
// The window as a 24-bit BMP file; false when it could not be written.
bool SaveBitmap(HWND window, const std::string& path);

}  // namespace vdinv::test
