#include "window_walk.h"

#include <chrono>
#include <fstream>
#include <string_view>
#include <thread>
#include <vector>

namespace vdinv::test {
namespace {

std::wstring Wide(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  }
  return wide;
}

struct Search {
  std::wstring part;
  DWORD process = 0;
  HWND found = nullptr;
};

BOOL CALLBACK Match(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search.process || !IsWindowVisible(window)) return TRUE;
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  if (std::wstring_view(text).find(search.part) != std::wstring_view::npos) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

// Polls the window list: another thread of the process shows the windows, and there is no
// notification to wait for.
template <typename Done>
bool PollUntil(int timeoutMs, Done done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void Notify(HWND window, int id, int code) {
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, code),
               reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

}  // namespace

HWND WaitForWindow(const std::string& captionPart, DWORD process, int timeoutMs) {
  Search search{Wide(captionPart), process};
  PollUntil(timeoutMs, [&search] {
    EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

bool WaitUntilGone(HWND window, int timeoutMs) {
  return PollUntil(timeoutMs, [window] { return !IsWindow(window) || !IsWindowVisible(window); });
}

void Press(HWND window, int id) {
  SendMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

void PressOpening(HWND window, int id) {
  PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

void Choose(HWND window, int id, int position) {
  SendMessageW(GetDlgItem(window, id), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
  Notify(window, id, CBN_SELCHANGE);
}

void Type(HWND window, int id, const std::string& text) {
  const std::wstring wide = Wide(text);
  SendMessageW(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  Notify(window, id, EN_KILLFOCUS);
}

bool SaveBitmap(HWND window, const std::string& path) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as the file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  // The window as painted on the screen; PrintWindow where the screen cannot be read.
  if (!BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY)) {
    PrintWindow(window, memory, 0);
  }
  GdiFlush();
  const DWORD rowBytes = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageBytes;
  info.bmiHeader.biSizeImage = imageBytes;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), imageBytes);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return out.good();
}

}  // namespace vdinv::test
