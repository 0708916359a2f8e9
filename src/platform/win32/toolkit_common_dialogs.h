// The Win32 toolkit's dialogs that are not forms: message boxes, the save dialog, printing and
// the help viewer. owner: the active form's window or null.
#pragma once

#include <windows.h>
// The name of IToolkit's method, not the ANSI or wide message box.
#undef MessageBox

#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace vdinv::platform::internal {

void ShowMessageBox(HWND owner, const std::string& caption, const std::string& text,
                    MessageIcon icon);
// OK and Cancel; true for OK. Cancel is the default button, so an Enter still held from the
// page does not confirm an erasing question.
bool AskConfirmation(HWND owner, const std::string& caption, const std::string& text);
std::optional<std::string> AskSavePathFor(HWND owner, const std::string& description,
                                          const std::string& extension);
PrintResult PrintLinesOn(HWND owner, const std::string& title,
                         const std::vector<std::string>& lines);
// The command line that shows a help file in the system's HTML help viewer: "hh " + path.
std::wstring HelpViewerCommandLine(const std::string& path);
// Starts the help viewer on the file, its window maximised, without waiting; a failure to start
// it is not reported.
void OpenWithHelpViewer(const std::string& path);

}  // namespace vdinv::platform::internal
