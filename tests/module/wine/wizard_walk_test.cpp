// The configuration windows of the built VD_Inv.dll under Wine, walked as a user walks them:
// the wizard through DLLEdDev on a thread of this program and through vdinv.exe wizard FILE in
// a process of its own, the device test window on the simulated line behind COM1 (the Linux
// invsim, steered through the control directory named by VDINV_SIM_CONTROL). The user's part
// runs beside the host's call and sees what a user sees: captions, texts, what the screen shows.
// The program also takes the screenshots of every window (--shots DIR: BMP files, which
// scripts/screenshots-windows.sh turns into PNG).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/parameter_block.h"
#include "invsim/control_client.h"
#include "platform/dynamic_library.h"
#include "platform/text.h"
#include "support/device_block.h"
#include "support/module_host.h"
#include "support/wine_path.h"
#include "window_walk.h"

namespace vdinv::test {
namespace {

using testing::AllOf;
using testing::Contains;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::StartsWith;

// What the windows say, as the user reads it.
constexpr const char* kStartPage = "向导：选择执行的操作方式";
constexpr const char* kConnectionPage = "向导：选择创建设备的方式";
constexpr const char* kSeveralPage = "向导：创建多个";
constexpr const char* kSinglePage = "向导：创建单个";
constexpr const char* kModifyPage = "参数或删除";
constexpr const char* kSerialPage = "向导：修改计算机串行口通讯参数";
constexpr const char* kSummaryPage = "向导：向导退出前的确认";
constexpr const char* kDebugForm = "向导：设置调试选项";
constexpr const char* kTestWindow = "设备测试窗口";
constexpr const char* kSeveralOption = "多个变频器创建（RS485/RS422方式连接）";
constexpr const char* kSingleOption = "单个变频器创建（RS232方式连接）";

struct Module {
  platform::DynamicLibrary library;
  VdInv_GetPDBLen_Fn getPdbLen = nullptr;
  VdInv_FullPDB_Fn fullPdb = nullptr;
  VdInv_DLLEdDev_Fn edDev = nullptr;
  VdInv_DLLTestDev_Fn testDev = nullptr;

  bool Load() {
    std::string error;
    if (!library.Open(WindowsPath(VDINV_MODULE_PATH), &error)) return false;
    getPdbLen = VDINV_FIND_EXPORT(library, GetPDBLen);
    fullPdb = VDINV_FIND_EXPORT(library, FullPDB);
    edDev = VDINV_FIND_EXPORT(library, DLLEdDev);
    testDev = VDINV_FIND_EXPORT(library, DLLTestDev);
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

// Station 1 alone on COM1, as the simulated line answers it.
std::vector<uint8_t> StationOneBlock() {
  std::vector<uint8_t> block(kPdbLength, 0);
  TDevParmBlock pdb = DevicesBlock({{1, kModelG11S}}, 300);
  pdb.ComPort = 0;
  pdb.BaudIndex = 6;
  StorePdb(block.data(), pdb);
  return block;
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

// The user's part runs beside the host's call; whatever fails there, every window the walk
// knows (and a message box left over one) is closed by its frame at its end, so the host's
// call returns.
void Alongside(const std::function<void()>& host, const std::function<void()>& user,
               DWORD process = GetCurrentProcessId()) {
  std::thread walker([&user, process] {
    user();
    for (const char* caption : {kDebugForm, kSummaryPage, kSerialPage, kSeveralPage, kSinglePage,
                                kModifyPage, kConnectionPage, kStartPage, kTestWindow}) {
      while (HWND left = WaitForWindow(caption, process, 0)) {
        while (HWND box = OtherDialog(left)) {
          PostMessageW(box, WM_COMMAND, IDOK, 0);
          if (!WaitUntilGone(box, 2000)) break;
        }
        SendMessageW(left, WM_CLOSE, 0, 0);
        if (!WaitUntilGone(left, 2000)) break;
      }
    }
  });
  host();
  walker.join();
}

// A message box over the page, closed as the user closes it; whether there was one.
bool CloseMessageBox(HWND page) {
  HWND box = OtherDialog(page);
  if (box == nullptr) return false;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  WaitUntilGone(box, 2000);
  return true;
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

// Every group box's caption can be seen: no enclosing group or panel lies over it, and the
// screen shows its text (some pixels of the caption's place differ from the window's face).
// Every other visible control lies above the groups and panels around it as well.
void ExpectGroupsVisible(HWND window, std::initializer_list<const char*> captions) {
  for (HWND at = GetWindow(window, GW_CHILD); at != nullptr; at = GetWindow(at, GW_HWNDNEXT)) {
    if (IsWindowVisible(at)) {
      EXPECT_THAT(EnclosingAbove(at), IsEmpty()) << "covered: \"" << TextOf(at) << "\"";
    }
  }
  constexpr int kTextPixels = 10;  // a single character in 9 points draws more
  for (const char* caption : captions) {
    HWND group = Group(window, caption);
    EXPECT_NE(group, nullptr) << "no group " << caption;
    if (group == nullptr) continue;
    const RECT place = CaptionRect(group);
    int drawn = 0;
    PollUntil(3000, [&] {  // painted by now, or never
      drawn = PixelsDiffering(CaptureOf(window), place, GetSysColor(COLOR_BTNFACE));
      return drawn >= kTextPixels;
    });
    EXPECT_GE(drawn, kTextPixels) << "the caption " << caption << " is not on the screen";
  }
}

// Printable text: no control character reaches the screen, where it would show as a box.
bool Printable(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

// From the start page to the page of several devices as a user goes: "新建设备", "下一步", the
// RS485 choice, "下一步". Null, with the step that failed, when a page or a button is not there.
HWND OpenSeveralPage(DWORD process) {
  const std::pair<const char*, std::vector<const char*>> steps[] = {
      {kStartPage, {"新建设备", "下一步"}}, {kConnectionPage, {kSeveralOption, "下一步"}}};
  for (const auto& [caption, buttons] : steps) {
    HWND page = WaitForWindow(caption, process);
    if (page == nullptr) {
      ADD_FAILURE() << "no page " << caption;
      return nullptr;
    }
    for (const char* button : buttons) {
      if (!Click(Button(page, button))) {
        ADD_FAILURE() << "no button " << button << " on " << caption;
        return nullptr;
      }
    }
  }
  HWND page = WaitForWindow(kSeveralPage, process);
  if (page == nullptr) ADD_FAILURE() << "no page of several devices";
  return page;
}

TEST(WineWizard, PagesShowTheDevicesTakeTypedTextAndKeepTheirCaptionsVisible) {
  if (!WindowsCanBeMade()) GTEST_SKIP() << "no display";
  Module module;
  ASSERT_TRUE(module.Load());
  std::vector<uint8_t> block = module.DefaultBlock();  // device 0, a G11S
  const uint16_t outTime = BlockOf(block).OutTime;
  int32_t answer = 0;
  Alongside(
      [&] { answer = module.edDev(0, block.data()); },
      [&] {
        const DWORD self = GetCurrentProcessId();
        HWND page = WaitForWindow(kStartPage, self);
        ASSERT_NE(page, nullptr) << "the start page";
        ASSERT_TRUE(Click(Button(page, "修改设备")));
        ASSERT_TRUE(Click(Button(page, "下一步")));

        page = WaitForWindow(kModifyPage, self);
        ASSERT_NE(page, nullptr) << "the page that modifies the devices";
        HWND tree = ControlOf(page, WC_TREEVIEWW);
        HWND number = Beside(page, "设备号");
        ASSERT_NE(tree, nullptr);
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(NodesOf(tree), std::vector<std::string>{"0：G11S"});
        EXPECT_EQ(TextOf(number), "1");  // the first free number
        ASSERT_TRUE(Click(Button(page, "上一步")));

        page = OpenSeveralPage(self);
        ASSERT_NE(page, nullptr);
        tree = ControlOf(page, WC_TREEVIEWW);
        number = Beside(page, "设备号");
        ASSERT_NE(tree, nullptr);
        ASSERT_NE(number, nullptr);
        ASSERT_TRUE(Click(Button(page, "添加变频器")));  // device 1 beside device 0
        EXPECT_THAT(NodesOf(tree), testing::ElementsAre("0：G11S", "1：G11S"));
        EXPECT_EQ(TextOf(number), "2");  // the next free number
        // A right click selects a device, and the page shows its number.
        RightClickNode(tree, 0);
        EXPECT_TRUE(PollUntil(5000, [&] { return TextOf(number) == "0"; }))
            << "a right click on 0：G11S shows " << TextOf(number);
        // 12 typed over the selected device's number: taken at each keystroke, the 1 would
        // name device 1, which exists. A keystroke or click whose handler does not return
        // waits in a message box.
        ASSERT_TRUE(Focus(number));
        const bool typed = TypeKeys(page, "12");
        const bool boxWhileTyping = CloseMessageBox(page);
        EXPECT_EQ(TextOf(number), "12");
        const bool added = Click(Button(page, "添加变频器"));
        const bool boxWhileAdding = CloseMessageBox(page);
        EXPECT_TRUE(typed && added && !boxWhileTyping && !boxWhileAdding)
            << "a message box came up while 12 was typed and added";
        EXPECT_THAT(NodesOf(tree), Contains(StartsWith("12：")));
        ASSERT_TRUE(Click(Button(page, "下一步")));

        page = WaitForWindow(kSerialPage, self);
        ASSERT_NE(page, nullptr) << "the serial page";
        ExpectGroupsVisible(
            page, {"计算机串行口参数", "数据位", "停止位", "校验方式", "高级设置", "参数说明"});
        HWND timeOut = Beside(page, "通讯超时时间");
        ASSERT_NE(timeOut, nullptr);
        EXPECT_EQ(TextOf(timeOut), std::to_string(outTime));
        ASSERT_TRUE(Focus(timeOut));
        EXPECT_TRUE(TypeKeys(page, "abc"));
        EXPECT_EQ(TextOf(timeOut), "abc");  // until the edit is left
        PressKey(page, VK_TAB);
        EXPECT_TRUE(PollUntil(5000, [&] { return Focused(page) != timeOut; }));
        EXPECT_TRUE(PollUntil(5000, [&] { return TextOf(timeOut) == std::to_string(outTime); }))
            << "letters left the time-out " << TextOf(timeOut);
        ASSERT_TRUE(Click(Button(page, "下一步")));

        page = WaitForWindow(kSummaryPage, self);
        ASSERT_NE(page, nullptr) << "the summary page";
        ASSERT_TRUE(Click(Button(page, "完成")));
        WaitUntilGone(page);
      });
  EXPECT_EQ(answer, 1);  // changed
  const TDevParmBlock after = BlockOf(block);
  EXPECT_NE(after.Devices[12].Model, kModelNone);
  EXPECT_EQ(after.OutTime, outTime);
}

TEST(WineWizard, ToolWizardNewDevicesTypedNumberAndTimeOutWithEnterSavesTheBlockFile) {
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
  const uint16_t outTime = before.OutTime == 500 ? 600 : 500;
  int treeNodes = -1;
  std::wstring line =
      Wide("\"" + WindowsPath(VDINV_TOOL_PATH) + "\" wizard \"" + Utf8(file) + "\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION tool{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &tool));
  DWORD exitCode = 99;
  Alongside(
      [&] {
        if (WaitForSingleObject(tool.hProcess, 60000) != WAIT_OBJECT_0) {
          TerminateProcess(tool.hProcess, 98);
        }
        GetExitCodeProcess(tool.hProcess, &exitCode);
      },
      [&, process = tool.dwProcessId] {
        HWND page = OpenSeveralPage(process);
        ASSERT_NE(page, nullptr);
        HWND tree = ControlOf(page, WC_TREEVIEWW);
        HWND model = Beside(page, "变频器类型", L"ComboBox");
        HWND number = Beside(page, "设备号");
        ASSERT_NE(model, nullptr);
        ASSERT_NE(number, nullptr);
        const auto nodesBefore = static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0));
        Choose(model, 1);  // P11S
        ASSERT_TRUE(Focus(number));
        EXPECT_TRUE(TypeKeys(page, "7"));
        ASSERT_TRUE(Click(Button(page, "添加变频器")));
        Choose(model, 0);
        ASSERT_TRUE(Click(Button(page, "添加变频器")));
        treeNodes = static_cast<int>(SendMessageW(tree, TVM_GETCOUNT, 0, 0));
        EXPECT_EQ(treeNodes, nodesBefore + 2);
        ASSERT_TRUE(Click(Button(page, "下一步")));
        page = WaitForWindow(kSerialPage, process);
        ASSERT_NE(page, nullptr) << "the serial page";
        HWND rate = Beside(page, "波特率", L"ComboBox");
        ASSERT_NE(rate, nullptr);
        Choose(rate, baud);
        HWND timeOut = Beside(page, "通讯超时时间");
        ASSERT_NE(timeOut, nullptr);
        ASSERT_TRUE(Focus(timeOut));
        EXPECT_TRUE(TypeKeys(page, std::to_string(outTime)));
        PressKey(page, VK_RETURN);  // the default button, 下一步, with the focus still there
        page = WaitForWindow(kSummaryPage, process);
        ASSERT_NE(page, nullptr) << "the summary page after Enter";
        ASSERT_TRUE(Click(Button(page, "完成")));
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
  EXPECT_EQ(after.OutTime, outTime);
}

TEST(WineTestWindow, ShowsTheSimulatedValueReadableFramesAndTheTypeGroup) {
  if (!WindowsCanBeMade()) GTEST_SKIP() << "no display";
  const std::string control = platform::GetEnvironment("VDINV_SIM_CONTROL");
  if (control.empty()) GTEST_SKIP() << "no simulated line (VDINV_SIM_CONTROL)";
  invsim::ControlClient sim(WindowsPath(control));
  ASSERT_EQ(sim.Send("answer 1"), "ok");
  ASSERT_EQ(sim.Send("set 1:F03=4321"), "ok");
  Module module;
  ASSERT_TRUE(module.Load());
  std::vector<uint8_t> block = StationOneBlock();
  uint8_t passed = 0;
  std::vector<std::string> row;
  std::string reply;
  Alongside([&] { passed = module.testDev(block.data(), 1); },
            [&] {
              HWND window = WaitForWindow(kTestWindow, GetCurrentProcessId());
              ASSERT_NE(window, nullptr) << "the test window";
              HWND table = ControlOf(window, WC_LISTVIEWW);
              HWND answer = Beside(window, "应答串");
              ASSERT_NE(table, nullptr);
              ASSERT_NE(answer, nullptr);
              EXPECT_TRUE(PollUntil(
                  15000, [&] { return CellOf(table, 0, 1) == "4321" && !TextOf(answer).empty(); }))
                  << "the table shows " << CellOf(table, 0, 1);
              for (int column = 0; column < 4; ++column) row.push_back(CellOf(table, 0, column));
              reply = TextOf(answer);
              ASSERT_TRUE(Click(Button(window, "高级调试↓")));
              ExpectGroupsVisible(window, {"标签类型"});
              ASSERT_TRUE(Click(Button(window, "退出")));
              WaitUntilGone(window);
            });
  EXPECT_EQ(passed, 1);
  ASSERT_EQ(row.size(), 4u);
  EXPECT_EQ(row[0], "F1:3");
  EXPECT_EQ(row[1], "4321");
  // The request and the reply with their control characters named.
  EXPECT_THAT(row[3], AllOf(StartsWith("<SOH>01<ENQ>"), HasSubstr("<ETX>")));
  EXPECT_THAT(reply, AllOf(StartsWith("<SOH>01<ACK>"), HasSubstr("<ETX>")));
  EXPECT_TRUE(Printable(row[3])) << row[3];
  EXPECT_TRUE(Printable(reply)) << reply;
}

// The screenshots: every page of the wizard, the debug form and the device test window in both
// sizes (station 1 on the simulated line), each saved as DIR/NAME.bmp. Returns the number of
// windows that did not appear.
int TakeShots(const std::string& dir) {
  Module module;
  if (!module.Load()) {
    std::cerr << "cannot load " << VDINV_MODULE_PATH << "\n";
    return 1;
  }
  int missing = 0;
  const auto find = [](const char* caption) {
    return WaitForWindow(caption, GetCurrentProcessId());
  };
  const auto save = [&](HWND window, const std::string& name) {
    Sleep(500);  // painted
    if (!SaveBitmap(window, dir + "\\" + name + ".bmp")) ++missing;
  };
  const auto shoot = [&](const char* caption, const std::string& name) {
    HWND window = find(caption);
    if (window == nullptr) {
      std::cerr << name << ": the window did not appear\n";
      ++missing;
      return window;
    }
    save(window, name);
    return window;
  };
  std::vector<uint8_t> block = module.DefaultBlock();
  Alongside([&] { module.edDev(0, block.data()); },
            [&] {
              HWND page = shoot(kStartPage, "1-start");
              if (page == nullptr) return;
              ClickOpening(Button(page, "调试设置"));
              if (HWND debug = shoot(kDebugForm, "2-debug")) {
                SendMessageW(debug, WM_CLOSE, 0, 0);
                WaitUntilGone(debug);
              }
              // The start page takes the user's clicks again once it is back.
              PollUntil(5000, [page] { return IsWindowVisible(page) && IsWindowEnabled(page); });
              Click(Button(page, "修改设备"));
              Click(Button(page, "下一步"));
              if ((page = shoot(kModifyPage, "3-modify")) == nullptr) return;
              Click(Button(page, "上一步"));
              if ((page = find(kStartPage)) == nullptr) return;
              Click(Button(page, "新建设备"));
              Click(Button(page, "下一步"));
              if ((page = shoot(kConnectionPage, "4-connection")) == nullptr) return;
              Click(Button(page, kSingleOption));
              Click(Button(page, "下一步"));
              if ((page = shoot(kSinglePage, "5-single")) == nullptr) return;
              Click(Button(page, "上一步"));
              if ((page = find(kConnectionPage)) == nullptr) return;
              Click(Button(page, kSeveralOption));
              Click(Button(page, "下一步"));
              if ((page = find(kSeveralPage)) == nullptr) return;
              Click(Button(page, "添加变频器"));
              Click(Button(page, "添加变频器"));
              if ((page = shoot(kSeveralPage, "6-several")) == nullptr) return;
              Click(Button(page, "下一步"));
              if ((page = shoot(kSerialPage, "7-serial")) == nullptr) return;
              Click(Button(page, "下一步"));
              if ((page = shoot(kSummaryPage, "8-summary")) == nullptr) return;
              Click(Button(page, "完成"));
              WaitUntilGone(page);
            });
  std::vector<uint8_t> line = StationOneBlock();
  Alongside([&] { module.testDev(line.data(), 1); },
            [&] {
              HWND window = find(kTestWindow);
              if (window == nullptr) {
                std::cerr << "9-test: the window did not appear\n";
                ++missing;
                return;
              }
              // A value read from the line and the frames of that read.
              HWND table = ControlOf(window, WC_LISTVIEWW);
              HWND answer = Beside(window, "应答串");
              if (table == nullptr || answer == nullptr || !PollUntil(15000, [&] {
                    return !CellOf(table, 0, 1).empty() && !TextOf(answer).empty();
                  })) {
                std::cerr << "9-test: no value came from the line\n";
                ++missing;
              }
              save(window, "9-test");
              Click(Button(window, "高级调试↓"));
              save(window, "10-test-advanced");
              Click(Button(window, "退出"));
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
