// The configuration windows of the built VD_Inv.dll under Wine: vdinv.exe wizard FILE hands a
// block file to DLLEdDev while this program acts as the user through the native windows of that
// process. The program also takes the screenshots of every window (--shots DIR: BMP files,
// which scripts/screenshots-windows.sh turns into PNG), calling the exports itself.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "common/export_convention.h"
#include "common/messages.h"
#include "common/parameter_block.h"
#include "platform/dynamic_library.h"
#include "support/wine_path.h"
#include "window_walk.h"

namespace vdinv::test {
namespace {

namespace id = ui::ids;

struct Module {
  platform::DynamicLibrary library;
  int32_t(VDINV_CALL* getPdbLen)() = nullptr;
  void*(VDINV_CALL* fullPdb)(void*) = nullptr;
  int32_t(VDINV_CALL* edDev)(uintptr_t, void*) = nullptr;
  uint8_t(VDINV_CALL* testDev)(void*, uint8_t) = nullptr;

  bool Load() {
    std::string error;
    if (!library.Open(WindowsPath(VDINV_MODULE_PATH), &error)) return false;
    getPdbLen = reinterpret_cast<decltype(getPdbLen)>(library.Symbol("GetPDBLen"));
    fullPdb = reinterpret_cast<decltype(fullPdb)>(library.Symbol("FullPDB"));
    edDev = reinterpret_cast<decltype(edDev)>(library.Symbol("DLLEdDev"));
    testDev = reinterpret_cast<decltype(testDev)>(library.Symbol("DLLTestDev"));
    return getPdbLen && fullPdb && edDev && testDev;
  }
  // A default block, as a host makes one before it first opens the wizard.
  std::vector<uint8_t> DefaultBlock() const {
    std::vector<uint8_t> block(static_cast<size_t>(getPdbLen()), 0);
    fullPdb(block.data());
    return block;
  }
};

TDevParmBlock BlockOf(const std::vector<uint8_t>& bytes) {
  TDevParmBlock pdb{};
  std::memcpy(&pdb, bytes.data(), std::min(bytes.size(), sizeof pdb));
  return pdb;
}

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                      static_cast<int>(utf8.size()), wide.data(),
                                                      static_cast<int>(wide.size()))));
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  std::string utf8(wide.size() * 3, '\0');
  utf8.resize(static_cast<size_t>(
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                          static_cast<int>(utf8.size()), nullptr, nullptr)));
  return utf8;
}

std::string Caption(Msg message) {
  return Utf8Text(message);
}

// The user's part runs beside the host's call; whatever fails there, every window the walk
// knows is closed by its frame at its end, so the host's call returns.
void Beside(const std::function<void()>& host, const std::function<void()>& user,
            DWORD process = GetCurrentProcessId()) {
  std::thread walker([&user, process] {
    user();
    for (Msg caption : {Msg::UiDebugCaption, Msg::UiSummaryCaption, Msg::UiSerialCaption,
                        Msg::UiCreateSeveral, Msg::UiCreateSingle, Msg::UiModify,
                        Msg::UiConnectionCaption, Msg::UiStartCaption, Msg::UiTestWindowCaption}) {
      while (HWND left = WaitForWindow(Caption(caption), process, 0)) {
        SendMessageW(left, WM_CLOSE, 0, 0);
        if (!WaitUntilGone(left, 2000)) break;
      }
    }
  });
  host();
  walker.join();
}

int DeviceCount(const TDevParmBlock& pdb) {
  int count = 0;
  for (const TDeviceEntry& device : pdb.Devices) count += device.Model != kModelNone ? 1 : 0;
  return count;
}

// Without a display (Wine without an X server) no window can be made and the driver shows none.
bool WindowsCanBeMade() {
  HWND probe =
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (probe != nullptr) DestroyWindow(probe);
  return probe != nullptr;
}

// Runs a program of this build with its arguments; the process's handles, or none.
PROCESS_INFORMATION Start(const std::string& program, const std::string& arguments) {
  std::wstring line = Wide("\"" + WindowsPath(program) + "\" " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    started = {};
  }
  return started;
}

TEST(WineWizard, NewDevicesSeveralAddTwoSerialFinishSavesTheBlockFile) {
  if (!WindowsCanBeMade()) GTEST_SKIP() << "no display";
  Module module;
  ASSERT_TRUE(module.Load());
  std::vector<uint8_t> block = module.DefaultBlock();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring file = std::wstring(temp) + L"wizard_walk.pdb";
  {
    std::ofstream out(file.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size()));
  }
  const TDevParmBlock before = BlockOf(block);
  const int baud = before.BaudIndex == 3 ? 4 : 3;
  int treeNodes = -1;
  PROCESS_INFORMATION tool = Start(VDINV_TOOL_PATH, "wizard \"" + Utf8(file) + "\"");
  ASSERT_NE(tool.hProcess, nullptr);
  DWORD exitCode = 99;
  Beside(
      [&] {
        if (WaitForSingleObject(tool.hProcess, 60000) != WAIT_OBJECT_0) {
          TerminateProcess(tool.hProcess, 98);
        }
        GetExitCodeProcess(tool.hProcess, &exitCode);
      },
      [&, process = tool.dwProcessId] {
        HWND page = WaitForWindow(Caption(Msg::UiStartCaption), process);
        ASSERT_NE(page, nullptr) << "the start page";
        Press(page, id::NewOp);
        Press(page, id::NextBtn);
        page = WaitForWindow(Caption(Msg::UiConnectionCaption), process);
        ASSERT_NE(page, nullptr) << "the connection page";
        Press(page, id::MulCreate);
        Press(page, id::NextBtn);
        page = WaitForWindow(Caption(Msg::UiCreateSeveral), process);
        ASSERT_NE(page, nullptr) << "the page of several devices";
        HWND tree = GetDlgItem(page, id::DeviceTree);
        const auto nodesBefore = static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0));
        Choose(page, id::DevTypeEd, 1);
        Type(page, id::IDEd, "7");
        Press(page, id::AddBtn);
        Choose(page, id::DevTypeEd, 0);
        Press(page, id::AddBtn);
        treeNodes = static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0));
        EXPECT_EQ(treeNodes, nodesBefore + 2);
        Press(page, id::NextBtn);
        page = WaitForWindow(Caption(Msg::UiSerialCaption), process);
        ASSERT_NE(page, nullptr) << "the serial page";
        Choose(page, id::BautEd, baud);
        Press(page, id::NextBtn);
        page = WaitForWindow(Caption(Msg::UiSummaryCaption), process);
        ASSERT_NE(page, nullptr) << "the summary page";
        Press(page, id::FinishBtn);
      },
      tool.dwProcessId);
  CloseHandle(tool.hThread);
  CloseHandle(tool.hProcess);
  EXPECT_EQ(exitCode, 0u);  // saved
  std::ifstream in(file.c_str(), std::ios::binary);
  const std::vector<uint8_t> saved((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  in.close();
  DeleteFileW(file.c_str());
  ASSERT_EQ(saved.size(), block.size());
  const TDevParmBlock after = BlockOf(saved);
  EXPECT_EQ(DeviceCount(after), treeNodes);
  EXPECT_EQ(after.Devices[7].Model, kModelP11S);
  EXPECT_EQ(after.BaudIndex, baud);
}

// The screenshots: every page of the wizard, the debug form and the device test window in both
// sizes, each saved as DIR/NAME.bmp. Returns the number of windows that did not appear.
int TakeShots(const std::string& dir) {
  Module module;
  if (!module.Load()) {
    std::cerr << "cannot load " << VDINV_MODULE_PATH << "\n";
    return 1;
  }
  int missing = 0;
  const auto find = [](Msg caption) {
    return WaitForWindow(Caption(caption), GetCurrentProcessId());
  };
  const auto shoot = [&](Msg caption, const std::string& name) {
    HWND window = find(caption);
    if (window == nullptr) {
      std::cerr << name << ": the window did not appear\n";
      ++missing;
      return window;
    }
    Sleep(500);  // painted
    if (!SaveBitmap(window, dir + "\\" + name + ".bmp")) ++missing;
    return window;
  };
  std::vector<uint8_t> block = module.DefaultBlock();
  Beside([&] { module.edDev(0, block.data()); },
         [&] {
           HWND page = shoot(Msg::UiStartCaption, "1-start");
           if (page == nullptr) return;
           PressOpening(page, id::DebugBtn);
           if (HWND debug = shoot(Msg::UiDebugCaption, "2-debug")) {
             SendMessageW(debug, WM_CLOSE, 0, 0);
             WaitUntilGone(debug);
           }
           Press(page, id::ModifyOp);
           Press(page, id::NextBtn);
           if ((page = shoot(Msg::UiModify, "3-modify")) == nullptr) return;
           Press(page, id::BackBtn);
           if ((page = find(Msg::UiStartCaption)) == nullptr) return;
           Press(page, id::NewOp);
           Press(page, id::NextBtn);
           if ((page = shoot(Msg::UiConnectionCaption, "4-connection")) == nullptr) return;
           Press(page, id::SingleCreate);
           Press(page, id::NextBtn);
           if ((page = shoot(Msg::UiCreateSingle, "5-single")) == nullptr) return;
           Press(page, id::BackBtn);
           if ((page = find(Msg::UiConnectionCaption)) == nullptr) return;
           Press(page, id::MulCreate);
           Press(page, id::NextBtn);
           if ((page = find(Msg::UiCreateSeveral)) == nullptr) return;
           Press(page, id::AddBtn);
           Press(page, id::AddBtn);
           if ((page = shoot(Msg::UiCreateSeveral, "6-several")) == nullptr) return;
           Press(page, id::NextBtn);
           if ((page = shoot(Msg::UiSerialCaption, "7-serial")) == nullptr) return;
           Press(page, id::NextBtn);
           if ((page = shoot(Msg::UiSummaryCaption, "8-summary")) == nullptr) return;
           Press(page, id::FinishBtn);
           WaitUntilGone(page);
         });
  Beside([&] { module.testDev(block.data(), 1); },
         [&] {
           HWND window = shoot(Msg::UiTestWindowCaption, "9-test");
           if (window == nullptr) return;
           Press(window, id::DebugBtn);
           shoot(Msg::UiTestWindowCaption, "10-test-advanced");
           Press(window, id::ExitBtn);
           WaitUntilGone(window);
         });
  return missing;
}

}  // namespace
}  // namespace vdinv::test

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--shots") return vdinv::test::TakeShots(argv[2]);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
