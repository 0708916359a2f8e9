// The configuration windows of the built VD_Inv.dll under Wine, as a host calls them: DLLEdDev
// on the host's thread while a second thread acts as the user through the native windows. The
// program also takes the screenshots of every window (--shots DIR: BMP files, which
// scripts/screenshots-windows.sh turns into PNG).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iostream>
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

std::string Caption(Msg message) {
  return Utf8Text(message);
}

// The user's part runs beside the host's call; whatever fails there, every window the walk
// knows is closed by its frame at its end, so the host's call returns.
void Beside(const std::function<void()>& host, const std::function<void()>& user) {
  std::thread walker([&user] {
    user();
    for (Msg caption : {Msg::UiDebugCaption, Msg::UiSummaryCaption, Msg::UiSerialCaption,
                        Msg::UiCreateSeveral, Msg::UiCreateSingle, Msg::UiModify,
                        Msg::UiConnectionCaption, Msg::UiStartCaption, Msg::UiTestWindowCaption}) {
      while (HWND left = WaitForWindow(Caption(caption), 0)) {
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

TEST(WineWizard, NewDevicesSeveralAddTwoSerialFinishSavesTheBlock) {
  if (!WindowsCanBeMade()) GTEST_SKIP() << "no display";
  Module module;
  ASSERT_TRUE(module.Load());
  std::vector<uint8_t> block = module.DefaultBlock();
  const TDevParmBlock before = BlockOf(block);
  const int baud = before.BaudIndex == 3 ? 4 : 3;
  int treeNodes = -1;
  int32_t result = -1;
  Beside([&] { result = module.edDev(0, block.data()); },
         [&] {
           HWND page = WaitForWindow(Caption(Msg::UiStartCaption));
           ASSERT_NE(page, nullptr) << "the start page";
           Press(page, id::NewOp);
           Press(page, id::NextBtn);
           page = WaitForWindow(Caption(Msg::UiConnectionCaption));
           ASSERT_NE(page, nullptr) << "the connection page";
           Press(page, id::MulCreate);
           Press(page, id::NextBtn);
           page = WaitForWindow(Caption(Msg::UiCreateSeveral));
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
           page = WaitForWindow(Caption(Msg::UiSerialCaption));
           ASSERT_NE(page, nullptr) << "the serial page";
           Choose(page, id::BautEd, baud);
           Press(page, id::NextBtn);
           page = WaitForWindow(Caption(Msg::UiSummaryCaption));
           ASSERT_NE(page, nullptr) << "the summary page";
           Press(page, id::FinishBtn);
           EXPECT_TRUE(WaitUntilGone(page));
         });
  EXPECT_EQ(result, 1);
  const TDevParmBlock after = BlockOf(block);
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
  const auto shoot = [&](Msg caption, const std::string& name) {
    HWND window = WaitForWindow(Caption(caption));
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
           if ((page = WaitForWindow(Caption(Msg::UiStartCaption))) == nullptr) return;
           Press(page, id::NewOp);
           Press(page, id::NextBtn);
           if ((page = shoot(Msg::UiConnectionCaption, "4-connection")) == nullptr) return;
           Press(page, id::SingleCreate);
           Press(page, id::NextBtn);
           if ((page = shoot(Msg::UiCreateSingle, "5-single")) == nullptr) return;
           Press(page, id::BackBtn);
           if ((page = WaitForWindow(Caption(Msg::UiConnectionCaption))) == nullptr) return;
           Press(page, id::MulCreate);
           Press(page, id::NextBtn);
           if ((page = WaitForWindow(Caption(Msg::UiCreateSeveral))) == nullptr) return;
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
