// The built VD_Inv.dll under Wine, loaded by full path with LoadLibrary as a 32-bit host loads
// it, polling COM1, which the prefix maps to the pseudo-terminal of the Linux simulator. The
// simulator runs as its own program (run_module_line_test.sh starts it); the test steers it
// through its control directory, named by VDINV_SIM_CONTROL. The host's installation is made
// for real: HKLM\Software\KORVI PATH names a temporary directory with Ovatrex.ini.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/records.h"
#include "invsim/control_client.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/version_resource.h"
#include "support/host_tag.h"
#include "support/module_host.h"
#include "support/temp_dir.h"
#include "support/wine_path.h"

namespace vdinv {
namespace {

// A string value under HKEY_LOCAL_MACHINE for as long as the object lives; what was there
// before comes back.
class ScopedMachineValue {
 public:
  ScopedMachineValue(const wchar_t* key, const wchar_t* name, const std::string& value)
      : name_(name) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    std::vector<wchar_t> old(1024);
    DWORD bytes = static_cast<DWORD>(old.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(old.data()),
                         &bytes) == ERROR_SUCCESS) {
      old_ = std::wstring(old.data(), bytes / sizeof(wchar_t));
    }
    const std::wstring wide(value.begin(), value.end());  // ASCII paths only
    set_ = RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  ~ScopedMachineValue() {
    if (key_ == nullptr) return;
    if (old_) {
      RegSetValueExW(key_, name_, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_->data()),
                     static_cast<DWORD>(old_->size() * sizeof(wchar_t)));
    } else {
      RegDeleteValueW(key_, name_);
    }
    RegCloseKey(key_);
  }
  ScopedMachineValue(const ScopedMachineValue&) = delete;
  ScopedMachineValue& operator=(const ScopedMachineValue&) = delete;
  bool Set() const { return set_; }

 private:
  const wchar_t* name_;
  HKEY key_ = nullptr;
  std::optional<std::wstring> old_;
  bool set_ = false;
};

class WineModuleLine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(platform::GetEnvironment("VDINV_SIM_CONTROL").empty())
        << "VDINV_SIM_CONTROL names the control directory of the running simulator";
    ASSERT_TRUE(platform::WriteWholeFile(dir.File("Ovatrex.ini"),
                                         "[WORKING]\nDefaultPROJECT=" + dir.Path() + "p\\x\n"));
    ASSERT_TRUE(installation.Set());
    // Stations 1 and 2 answer with their first values, whatever a case before left.
    for (const char* command : {"answer 1", "answer 2", "set 1:F03=3000", "set 2:F03=500"}) {
      ASSERT_EQ(sim.Send(command), "ok") << command;
    }
    std::string error;
    ASSERT_TRUE(module.Open(test::WindowsPath(VDINV_MODULE_PATH), &error)) << error;
    ASSERT_TRUE(driver.Find(module));
  }
  void TearDown() override { module.Close(); }

  // Runs the host's part on a thread of its own, as a host does; the driver object ends with
  // the thread.
  template <typename Body>
  void OnHostThread(Body body) {
    std::thread host(body);
    host.join();
  }
  // Starts the line of both stations (a silent one is given up on quickly) with the tags.
  void Start(std::vector<TTagInfo> tags) {
    std::vector<uint8_t> block = test::LineBlock({{1, kModelG11S}, {2, kModelP11S}}, 1, 6, 60);
    std::vector<TTagInfo*> list;
    for (TTagInfo& t : tags) list.push_back(&t);
    ASSERT_TRUE(
        driver.iniDriver(static_cast<int32_t>(list.size()), list.data(), block.data(), nullptr));
  }
  static TTagInfo Tag(uint32_t id, const char* address, uint8_t type) {
    return test::HostTag(id, address, type, 20);
  }
  bool PollUntil(const std::function<bool()>& done, uint32_t limitMs = 5000) {
    return view.PollUntil(driver, done, limitMs);
  }

  test::TempDir dir;
  ScopedMachineValue installation{L"Software\\KORVI", L"PATH", dir.Path()};
  invsim::ControlClient sim{test::WindowsPath(platform::GetEnvironment("VDINV_SIM_CONTROL"))};
  platform::DynamicLibrary module;
  test::ModuleExports driver;
  test::HostView view;
};

// The line cases, with the host's polls stepping the line and with the line thread.
class WineModuleLineModes : public WineModuleLine, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      lineThread.emplace(L"Software\\KORVI\\VD_Inv", L"LineThread", "1");
      ASSERT_TRUE(lineThread->Set());
    }
    WineModuleLine::SetUp();
  }
  std::optional<ScopedMachineValue> lineThread;
};
INSTANTIATE_TEST_SUITE_P(BothModes, WineModuleLineModes, ::testing::Bool(),
                         test::LineModeName<::testing::TestParamInfo<bool>>);

TEST_P(WineModuleLineModes, ValuesOfTwoStationsArrive) {
  OnHostThread([&] {
    Start({Tag(1, "F1:3", kAnalog), Tag(2, "F2:3", kAnalog), Tag(3, "COMMLINK", kString)});
    EXPECT_TRUE(PollUntil([&] { return view.numbers[1] == 3000 && view.numbers[2] == 500; }));
    EXPECT_TRUE(driver.freeDriver());
  });
  // The driver found the host's installation through the registry: its log is in the project,
  // and its banner names the line thread when the registry switches it on.
  const std::optional<std::string> log = platform::ReadWholeFile(test::HostLogPath(dir));
  ASSERT_TRUE(log);
  EXPECT_EQ(log->find(platform::Utf8ToGbk("：通讯在独立线程中运行  ...")) != std::string::npos,
            GetParam());
}

TEST_P(WineModuleLineModes, AWriteIsConfirmedAndHeldByTheInverter) {
  OnHostThread([&] {
    Start({Tag(1, "F1:3", kAnalog)});
    ASSERT_TRUE(PollUntil([&] { return view.numbers[1] == 3000; }));
    TTagValue write{};
    write.TagID = 1;
    write.DataType = kAnalog;
    write.Value.analog = 1500;
    EXPECT_TRUE(driver.onDataWrite(1, &write, nullptr));
    EXPECT_TRUE(PollUntil([&] { return view.numbers[1] == 1500; }));
    EXPECT_EQ(sim.Send("value 1:F03"), "ok 1500");
    EXPECT_TRUE(driver.freeDriver());
  });
}

TEST_P(WineModuleLineModes, ASilentStationShowsABrokenLine) {
  OnHostThread([&] {
    Start({Tag(1, "F2:3", kAnalog), Tag(2, "DEVICELINK2", kString)});
    ASSERT_TRUE(PollUntil([&] { return view.texts[2] == "2号变频器P11S通讯正常!"; }));
    ASSERT_EQ(sim.Send("silent 2"), "ok");
    EXPECT_TRUE(PollUntil([&] { return view.texts[2] == "2号变频器P11S通讯线路断路!"; }, 20000));
    EXPECT_TRUE(driver.freeDriver());
  });
}

// While the adapter is away no poll waits for the port, and once it is back the values come
// again without a restart.
TEST_P(WineModuleLineModes, TheAdapterGoneAndBackNeverBlocksAPoll) {
  OnHostThread([&] {
    Start({Tag(1, "F1:3", kAnalog), Tag(2, "DEVICELINK1", kString)});
    ASSERT_TRUE(PollUntil([&] { return view.numbers[1] == 3000; }));
    // Nine failed exchanges make a broken line; the adapter stays away long enough for them.
    constexpr uint32_t kAwayMs = 4000;
    const std::optional<uint64_t> replug = sim.Post("replug " + std::to_string(kAwayMs));
    ASSERT_TRUE(replug);
    view.longestPoll = {};
    EXPECT_TRUE(PollUntil([&] { return view.texts[2] == "1号变频器G11S通讯线路断路!"; }, kAwayMs));
    EXPECT_LT(view.longestPoll, std::chrono::milliseconds(500));
    EXPECT_EQ(sim.Answer(*replug, 2 * kAwayMs), "ok");
    ASSERT_EQ(sim.Send("set 1:F03=4321"), "ok");
    EXPECT_TRUE(PollUntil([&] { return view.numbers[1] == 4321; }, 10000));
    EXPECT_TRUE(PollUntil([&] { return view.texts[2] == "1号变频器G11S通讯正常!"; }));
    EXPECT_LT(view.longestPoll, std::chrono::milliseconds(500));
    EXPECT_TRUE(driver.freeDriver());
  });
}

// The driver object ends while an exchange awaits a silent station (a reply time-out of 10 s):
// by FreeDriver, by the end of the host thread without it, by FreeLibrary from the host thread
// without either. None waits for the exchange, and none for a thread under the loader lock;
// the module is unloaded once the host has let it go and the line thread, which holds it while
// it runs, has ended. Each in a process of its own, so that a process never loads the module
// again after a line thread ran (see the line tests in windows.cmake).
TEST_P(WineModuleLineModes, EndsAtOnceInTheMiddleOfAnExchange) {
  enum Ending { kFreeDriver, kThreadEnd, kUnload };
  std::vector<uint8_t> block = test::LineBlock({{1, kModelG11S}}, 1, 6, 10000);
  TTagInfo tag = Tag(1, "F1:3", kAnalog);
  TTagInfo* list[] = {&tag};
  ASSERT_EQ(sim.Send("silent 1"), "ok");
  for (const Ending ending : {kFreeDriver, kThreadEnd, kUnload}) {
    // Exit code: 0 when it ended at once and the module went, 1 when slow, 2 when still loaded.
    EXPECT_EXIT(
        {
          std::chrono::steady_clock::time_point start;
          OnHostThread([&] {
            driver.iniDriver(1, list, block.data(), nullptr);
            PollUntil([] { return false; }, 300);  // the request is out, its reply awaited
            start = std::chrono::steady_clock::now();
            if (ending == kFreeDriver) {
              driver.freeDriver();
            } else if (ending == kUnload) {
              module.Close();
            }
          });
          const bool atOnce = std::chrono::steady_clock::now() - start < std::chrono::seconds(1);
          module.Close();
          bool unloaded = false;
          for (int waited = 0; !unloaded && waited < 2000; waited += 10) {
            unloaded = GetModuleHandleW(L"VD_Inv.dll") == nullptr;
            if (!unloaded) Sleep(10);
          }
          ExitProcess(!atOnce ? 1 : !unloaded ? 2 : 0);
        },
        ::testing::ExitedWithCode(0), "")
        << "ending " << ending;
  }
}

// A host may end with ExitProcess, without FreeLibrary, while one of its threads still polls:
// the module's part of the process's end must not wait for that thread or for the line.
using WineModuleLineModesDeathTest = WineModuleLineModes;
INSTANTIATE_TEST_SUITE_P(BothModes, WineModuleLineModesDeathTest, ::testing::Bool(),
                         test::LineModeName<::testing::TestParamInfo<bool>>);
TEST_P(WineModuleLineModesDeathTest, TheHostEndsWhileAThreadPolls) {
  EXPECT_EXIT(
      {
        std::atomic<bool> polling{false};
        std::thread host([&] {
          Start({Tag(1, "F1:3", kAnalog)});
          polling = PollUntil([&] { return view.numbers[1] == 3000; });
          for (;;) PollUntil([] { return false; }, 1000);
        });
        host.detach();
        for (int waited = 0; !polling && waited < 10000; waited += 5) Sleep(5);
        ExitProcess(polling ? 7 : 8);
      },
      ::testing::ExitedWithCode(7), "");
}

// The version resource as Windows reads it from the loaded module: the module's entries in
// GBK, file version 4.7.1.1, and the string table of Chinese (PRC) in code page 936.
TEST_F(WineModuleLine, TheVersionResourceReadsBack) {
  const std::optional<platform::VersionResource> resource =
      platform::ReadVersionResource("VD_Inv.dll", "");
  ASSERT_TRUE(resource);
  const std::pair<const char*, const char*> entries[] = {
      {"DeviceName", "富士变频器"}, {"DevTypeName", "变频器"},  {"DevIDName", "设备号"},
      {"ChIDName", "通道地址"},     {"ChName", "通道"},         {"BitName", "位"},
      {"BitIDName", "位号"},        {"FileVersion", "4.7.1.1"}, {"OriginalFileName", "VD_Inv.dll"},
  };
  for (const auto& [name, text] : entries) {
    EXPECT_EQ(platform::GbkToUtf8(resource->strings.at(name)), text) << name;
  }
  ASSERT_TRUE(resource->hasFixedVersion);
  EXPECT_THAT(resource->fileVersion, ::testing::ElementsAre(4, 7, 1, 1));

  HMODULE loaded = GetModuleHandleW(L"VD_Inv.dll");
  ASSERT_NE(loaded, nullptr);
  std::vector<wchar_t> file(MAX_PATH);
  ASSERT_GT(GetModuleFileNameW(loaded, file.data(), MAX_PATH), 0u);
  DWORD ignored = 0;
  std::vector<unsigned char> data(GetFileVersionInfoSizeW(file.data(), &ignored));
  ASSERT_FALSE(data.empty());
  ASSERT_TRUE(GetFileVersionInfoW(file.data(), 0, static_cast<DWORD>(data.size()), data.data()));
  WORD* translation = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &bytes));
  ASSERT_GE(bytes, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 936);
}

}  // namespace
}  // namespace vdinv
