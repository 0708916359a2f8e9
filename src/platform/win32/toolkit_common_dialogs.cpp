// Message boxes, the save dialog, printing lines with GDI and starting the help viewer, for the
// Win32 toolkit.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include "platform/win32/toolkit_common_dialogs.h"

#include <algorithm>

#include "platform/win32/code_page.h"

namespace vdinv::platform::internal {
namespace {

constexpr DWORD kPathChars = 32768;
constexpr int kPrintPoints = 10;

UINT IconFlag(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return MB_ICONINFORMATION;
    case MessageIcon::kQuestion:
      return MB_ICONQUESTION;
    case MessageIcon::kWarning:
      return MB_ICONWARNING;
    case MessageIcon::kError:
      return MB_ICONERROR;
  }
  return 0;
}

// The printer's device context, or null when the user cancelled or no printer is there.
struct PrinterChoice {
  HDC dc = nullptr;
  ~PrinterChoice() {
    if (dc != nullptr) DeleteDC(dc);
  }
};

bool ChoosePrinter(HWND owner, PrinterChoice& choice) {
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  const bool chosen = PrintDlgW(&dialog) != FALSE;
  if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
  choice.dc = dialog.hDC;
  return chosen && choice.dc != nullptr;
}

// Prints the lines in a fixed-pitch font, half an inch from the paper's edges, as many pages as
// they need.
bool PrintOn(HDC dc, const std::string& title, const std::vector<std::string>& lines) {
  const int dpiX = GetDeviceCaps(dc, LOGPIXELSX);
  const int dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  const int left = std::max(0, dpiX / 2 - GetDeviceCaps(dc, PHYSICALOFFSETX));
  const int top = std::max(0, dpiY / 2 - GetDeviceCaps(dc, PHYSICALOFFSETY));
  const int bottom = GetDeviceCaps(dc, VERTRES) - top;
  HFONT font = CreateFontW(-MulDiv(kPrintPoints, dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           FIXED_PITCH | FF_MODERN, L"NSimSun");
  const std::wstring name = Utf8ToWide(title);
  DOCINFOW document{};
  document.cbSize = sizeof document;
  document.lpszDocName = name.c_str();
  if (StartDocW(dc, &document) <= 0) {
    if (font != nullptr) DeleteObject(font);
    return false;
  }
  bool ok = true;
  size_t next = 0;
  do {  // an empty text still prints its one empty page
    ok = ok && StartPage(dc) > 0;
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int lineHeight =
        std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));
    for (int y = top; ok && next < lines.size() && (y == top || y + lineHeight <= bottom);
         y += lineHeight) {
      const std::wstring line = Utf8ToWide(lines[next++]);
      TextOutW(dc, left, y, line.c_str(), static_cast<int>(line.size()));
    }
    if (previous != nullptr) SelectObject(dc, previous);
    ok = ok && EndPage(dc) > 0;
  } while (ok && next < lines.size());
  if (ok) {
    ok = EndDoc(dc) > 0;
  } else {
    AbortDoc(dc);
  }
  if (font != nullptr) DeleteObject(font);
  return ok;
}

}  // namespace

void ShowMessageBox(HWND owner, const std::string& caption, const std::string& text,
                    MessageIcon icon) {
  MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), MB_OK | IconFlag(icon));
}

bool AskConfirmation(HWND owner, const std::string& caption, const std::string& text) {
  return MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(),
                     MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK;
}

std::optional<std::string> AskSavePathFor(HWND owner, const std::string& description,
                                          const std::string& extension) {
  // "描述 (*.log)" NUL "*.log" NUL NUL
  const std::wstring ext = Utf8ToWide(extension);
  std::wstring filter = Utf8ToWide(description) + L" (*." + ext + L")";
  filter += L'\0';
  filter += L"*." + ext;
  filter += L'\0';
  filter += L'\0';
  std::wstring path(kPathChars, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathChars;
  dialog.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  dialog.Flags =
      OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  path.resize(path.find(L'\0'));
  return WideToUtf8(path);
}

PrintResult PrintLinesOn(HWND owner, const std::string& title,
                         const std::vector<std::string>& lines) {
  // Without a printer the print dialog itself tells the user so; that counts as cancelled.
  PrinterChoice printer;
  if (!ChoosePrinter(owner, printer)) return PrintResult::kCancelled;
  return PrintOn(printer.dc, title, lines) ? PrintResult::kPrinted : PrintResult::kFailed;
}

std::wstring HelpViewerCommandLine(const std::string& path) {
  // hh takes the help file as its one argument; a path with blanks (an installation under
  // "Program Files") is quoted so that it stays one argument.
  const std::wstring file = Utf8ToWide(path);
  const bool quote = file.find_first_of(L" \t") != std::wstring::npos;
  return L"hh " + (quote ? L"\"" + file + L"\"" : file);
}

void OpenWithHelpViewer(const std::string& path) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMAXIMIZED;
  PROCESS_INFORMATION process{};
  // CreateProcess may write into the command line, so it gets a copy of its own. hh.exe is
  // found in the Windows directory by the ordinary search; the viewer runs on by itself.
  std::wstring commandLine = HelpViewerCommandLine(path);
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace vdinv::platform::internal
