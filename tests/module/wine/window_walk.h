// A user of the configuration windows of VD_Inv.dll under Wine, on a thread of its own beside
// the host's call (or as a second process): finds the windows of its own process or another one by
// a part of their caption (the device name and type surround the page's own) and their controls by
// the shared control ids, sends what a user's input sends, and can save what a window shows as a
// bitmap file.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>

#include "ui/control_ids.h"

namespace vdinv::test {

// The visible window of the process whose caption holds the text (UTF-8), waited for up to
// timeoutMs; null when none appeared.
HWND WaitForWindow(const std::string& captionPart, DWORD process, int timeoutMs = 20000);
// Waits up to timeoutMs until the window is gone or hidden; false when it stays.
bool WaitUntilGone(HWND window, int timeoutMs = 20000);

// A click on a button, option or check box that returns once its handler has.
void Press(HWND window, int id);
// A click whose handler opens another modal window: posted, so the caller goes on.
void PressOpening(HWND window, int id);
// A drop-down choice as the user makes it (the list's selection, then its notification).
void Choose(HWND window, int id, int position);
// Text typed into an edit (each change notified), then the focus leaving it.
void Type(HWND window, int id, const std::string& text);

// The window as the screen shows it, as a 24-bit BMP file; false when it could not be written.
bool SaveBitmap(HWND window, const std::string& path);

}  // namespace vdinv::test
