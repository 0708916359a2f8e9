#include "window_walk.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <string_view>
#include <thread>

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

std::string Utf8(const std::wstring& wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                        nullptr, nullptr);
  }
  return utf8;
}

std::wstring WideTextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool IsClass(HWND window, const wchar_t* windowClass) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return _wcsicmp(name, windowClass) == 0;
}

bool IsGroupBox(HWND window) {
  return IsClass(window, L"Button") &&
         (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

RECT RectOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

bool Holds(const RECT& outer, const RECT& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}

// The visible controls of the window (the dialog's children, whatever group they lie in).
std::vector<HWND> ControlsOf(HWND window, const wchar_t* windowClass) {
  std::vector<HWND> found;
  for (HWND at = GetWindow(window, GW_CHILD); at != nullptr; at = GetWindow(at, GW_HWNDNEXT)) {
    if (IsWindowVisible(at) && IsClass(at, windowClass)) found.push_back(at);
  }
  return found;
}

struct Search {
  std::wstring part;
  DWORD process = 0;
  HWND except = nullptr;
  bool dialogsOnly = false;
  HWND found = nullptr;
};

BOOL CALLBACK Match(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search.process || window == search.except || !IsWindowVisible(window)) {
    return TRUE;
  }
  if (search.dialogsOnly ? IsClass(window, L"#32770")
                         : WideTextOf(window).find(search.part) != std::wstring::npos) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

HTREEITEM NodeHandle(HWND tree, int node) {
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  for (int i = 0; i < node && item != nullptr; ++i) {
    item = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  }
  return item;
}

}  // namespace

bool PollUntil(int timeoutMs, const std::function<bool()>& done) {
  // Another thread or process shows the windows, and there is no notification to wait for.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

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

HWND OtherDialog(HWND window) {
  Search search;
  GetWindowThreadProcessId(window, &search.process);
  search.except = window;
  search.dialogsOnly = true;
  EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string TextOf(HWND control) {
  return Utf8(WideTextOf(control));
}

HWND ControlOf(HWND window, const wchar_t* windowClass, const std::string& text) {
  const std::wstring wanted = Wide(text);
  for (HWND control : ControlsOf(window, windowClass)) {
    if (text.empty() || WideTextOf(control) == wanted) return control;
  }
  return nullptr;
}

HWND Button(HWND window, const std::string& caption) {
  const std::wstring wanted = Wide(caption);
  for (HWND control : ControlsOf(window, L"Button")) {
    if (!IsGroupBox(control) && WideTextOf(control) == wanted) return control;
  }
  return nullptr;
}

HWND Group(HWND window, const std::string& caption) {
  const std::wstring wanted = Wide(caption);
  for (HWND control : ControlsOf(window, L"Button")) {
    if (IsGroupBox(control) && WideTextOf(control) == wanted) return control;
  }
  return nullptr;
}

HWND Beside(HWND window, const std::string& label, const wchar_t* windowClass) {
  HWND text = ControlOf(window, L"Static", label);
  if (text == nullptr) return nullptr;
  const RECT at = RectOf(text);
  HWND right = nullptr, below = nullptr;
  LONG rightGap = LONG_MAX, belowGap = LONG_MAX;
  for (HWND control : ControlsOf(window, windowClass)) {
    const RECT rect = RectOf(control);
    const bool sameLine = rect.top < at.bottom && rect.bottom > at.top;
    const bool sameColumn = rect.left < at.right && rect.right > at.left;
    if (sameLine && rect.left >= at.right - 4 && rect.left - at.right < rightGap) {
      right = control;
      rightGap = rect.left - at.right;
    } else if (sameColumn && rect.top >= at.bottom - 4 && rect.top - at.bottom < belowGap) {
      below = control;
      belowGap = rect.top - at.bottom;
    }
  }
  return right != nullptr ? right : below;
}

std::vector<HWND> Inside(HWND window, HWND group, const wchar_t* windowClass) {
  const RECT box = RectOf(group);
  std::vector<HWND> found;
  for (HWND control : ControlsOf(window, windowClass)) {
    if (control != group && Holds(box, RectOf(control))) found.push_back(control);
  }
  std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
    const RECT ra = RectOf(a), rb = RectOf(b);
    return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
  });
  return found;
}

std::vector<HWND> EnclosingAbove(HWND control) {
  const RECT rect = RectOf(control);
  std::vector<HWND> above;
  for (HWND at = GetWindow(control, GW_HWNDPREV); at != nullptr; at = GetWindow(at, GW_HWNDPREV)) {
    if ((IsGroupBox(at) || IsClass(at, L"Static")) && Holds(RectOf(at), rect)) above.push_back(at);
  }
  return above;
}

std::vector<std::string> NodesOf(HWND tree) {
  std::vector<std::string> nodes;
  for (int i = 0;; ++i) {
    HTREEITEM item = NodeHandle(tree, i);
    if (item == nullptr) break;
    wchar_t text[256] = {};
    TVITEMW query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = 256;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
    nodes.push_back(Utf8(text));
  }
  return nodes;
}

std::string CellOf(HWND table, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(table, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return Utf8(text);
}

bool Click(HWND control) {
  DWORD_PTR result = 0;
  return control != nullptr &&
         SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
}

void ClickOpening(HWND control) {
  PostMessageW(control, BM_CLICK, 0, 0);
}

void RightClickNode(HWND tree, int node) {
  HTREEITEM item = NodeHandle(tree, node);
  if (item == nullptr) return;
  RECT rect{};
  std::memcpy(&rect, &item, sizeof item);  // the item asked about
  SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
  POINT at{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  POINT screen = at;
  ClientToScreen(tree, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
  PostMessageW(tree, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  PollUntil(5000, [tree, item] {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) == item;
  });
}

void Choose(HWND list, int position) {
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
  SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
}

HWND Focused(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool Focus(HWND control) {
  HWND dialog = GetParent(control);
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  return Focused(dialog) == control;
}

bool TypeKeys(HWND window, const std::string& text) {
  HWND target = Focused(window);
  if (target == nullptr) return false;
  for (wchar_t character : Wide(text)) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(target, WM_CHAR, character, 1, SMTO_NORMAL, 5000, &result) == 0) {
      return false;
    }
  }
  return true;
}

void PressKey(HWND window, UINT virtualKey) {
  HWND target = Focused(window);
  if (target == nullptr) target = window;
  const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  PostMessageW(target, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scan << 16)));
  PostMessageW(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scan << 16) | 0xC0000000u));
}

Capture CaptureOf(HWND window) {
  Capture capture;
  const RECT frame = RectOf(window);
  capture.width = frame.right - frame.left;
  capture.height = frame.bottom - frame.top;
  if (capture.width <= 0 || capture.height <= 0) return {};
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  // The window as painted on the screen; PrintWindow where the screen cannot be read.
  if (!BitBlt(memory, 0, 0, capture.width, capture.height, screen, frame.left, frame.top,
              SRCCOPY)) {
    PrintWindow(window, memory, 0);
  }
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  capture.pixels.assign(pixels, pixels + static_cast<size_t>(capture.width) * capture.height);
  for (uint32_t& pixel : capture.pixels) pixel &= 0xFFFFFF;
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return capture;
}

int PixelsDiffering(const Capture& capture, const RECT& rect, COLORREF colour) {
  const uint32_t plain = (static_cast<uint32_t>(GetRValue(colour)) << 16) |
                         (static_cast<uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
  int differing = 0;
  for (LONG y = std::max(rect.top, 0L); y < std::min(rect.bottom, LONG{capture.height}); ++y) {
    for (LONG x = std::max(rect.left, 0L); x < std::min(rect.right, LONG{capture.width}); ++x) {
      differing +=
          capture.pixels[static_cast<size_t>(y) * capture.width + static_cast<size_t>(x)] != plain;
    }
  }
  return differing;
}

RECT CaptionRect(HWND group) {
  const RECT box = RectOf(group);
  const RECT window = RectOf(GetAncestor(group, GA_ROOT));
  // Measured in a font like the dialog's: 9 points with the Chinese glyphs.
  HDC screen = GetDC(nullptr);
  HFONT font =
      CreateFontW(-MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                  FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"SimSun");
  HGDIOBJ previous = SelectObject(screen, font);
  const std::wstring text = WideTextOf(group);
  SIZE size{};
  GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(screen, previous);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  const LONG left = box.left - window.left + 7;
  const LONG top = box.top - window.top;
  return {left, top, std::min(left + size.cx, box.right - window.left - 7), top + size.cy};
}

bool SaveBitmap(HWND window, const std::string& path) {
  const Capture capture = CaptureOf(window);
  if (capture.width == 0) return false;
  const DWORD rowBytes = ((static_cast<DWORD>(capture.width) * 3 + 3) / 4) * 4;
  std::vector<char> image(rowBytes * static_cast<DWORD>(capture.height), 0);
  for (int y = 0; y < capture.height; ++y) {  // bottom-up, as the file stores it
    char* row = image.data() + static_cast<size_t>(capture.height - 1 - y) * rowBytes;
    for (int x = 0; x < capture.width; ++x) {
      const uint32_t pixel = capture.pixels[static_cast<size_t>(y) * capture.width + x];
      row[3 * x] = static_cast<char>(pixel & 0xFF);
      row[3 * x + 1] = static_cast<char>((pixel >> 8) & 0xFF);
      row[3 * x + 2] = static_cast<char>((pixel >> 16) & 0xFF);
    }
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = capture.width;
  header.biHeight = capture.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(image.size());
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + header.biSizeImage;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  return out.good();
}

}  // namespace vdinv::test
