// Loads the built VD_Inv.so as a host does and talks to it only through its C exports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "common/parameter_block.h"
#include "common/records.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/pseudo_terminal.h"
#include "platform/text.h"
#include "support/host_tag.h"
#include "support/module_host.h"
#include "support/returns_promptly.h"
#include "support/temp_dir.h"

namespace vdinv {
namespace {

using ::testing::HasSubstr;

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The host's installation lives in a temporary directory: the registry stand-in names it,
    // its settings file names the project, and the log lands beside the project.
    registry = dir.File("registry.ini");
    ASSERT_TRUE(platform::WriteWholeFile(registry, "[Software\\KORVI]\nPATH=" + dir.Path() + "\n"));
    ASSERT_TRUE(platform::WriteWholeFile(
        dir.File("Ovatrex.ini"), "[WORKING]\nDefaultPROJECT=" + dir.Path() + "proj/demo\n"));
    setenv("VD_INV_REGISTRY", registry.c_str(), 1);
    // The line's port COM1 is a pseudo-terminal on which nothing answers.
    ASSERT_TRUE(line.Open()) << line.LastError();
    setenv("VD_INV_COM1", line.Path().c_str(), 1);
    std::string error;
    ASSERT_TRUE(module.Open(VDINV_MODULE_PATH, &error)) << error;
    iniDriver = VDINV_FIND_EXPORT(module, IniDriver);
    iniDriverEx = VDINV_FIND_EXPORT(module, IniDriverEx);
    onDataRead = VDINV_FIND_EXPORT(module, OnDataRead);
    onDataWrite = VDINV_FIND_EXPORT(module, OnDataWrite);
    getDeviceStatus = VDINV_FIND_EXPORT(module, GetDeviceStatus);
    writeLog = VDINV_FIND_EXPORT(module, WriteLog);
    detectScanTime = VDINV_FIND_EXPORT(module, DetectScanTime);
    freeDriver = VDINV_FIND_EXPORT(module, FreeDriver);
    getPdbLen = VDINV_FIND_EXPORT(module, GetPDBLen);
    fullPdb = VDINV_FIND_EXPORT(module, FullPDB);
    dllEdDev = VDINV_FIND_EXPORT(module, DLLEdDev);
    tagEdAddr = VDINV_FIND_EXPORT(module, TagEdAddr);
    getTagAddrList = VDINV_FIND_EXPORT(module, GetTagAddrList);
    dllTestDev = VDINV_FIND_EXPORT(module, DLLTestDev);
    for (const char* name : VDINV_EXPORT_NAMES) ASSERT_NE(module.Symbol(name), nullptr) << name;
  }
  void TearDown() override {
    module.Close();
    unsetenv("VD_INV_REGISTRY");
    unsetenv("VD_INV_COM1");
  }
  std::string LogText() const {
    auto bytes = platform::ReadWholeFile(dir.Path() + "proj/Debug/VD_Inv.Log");
    return bytes ? platform::GbkToUtf8(*bytes) : std::string();
  }
  static std::string Take(char* text) {
    std::string utf8 = text ? platform::GbkToUtf8(text) : std::string("<null>");
    std::free(text);
    return utf8;
  }
  std::vector<uint8_t> DefaultBlock() {
    std::vector<uint8_t> block(static_cast<size_t>(getPdbLen()), 0);
    EXPECT_EQ(fullPdb(block.data()), block.data());
    // The configuration wizard names entry 0's model; a stored block carries the name.
    TDevParmBlock pdb = LoadPdb(block.data());
    pdb.Devices[0].ModelName.Set("G11S");
    StorePdb(block.data(), pdb);
    return block;
  }
  static TTagInfo Tag(uint32_t id, const char* address, uint8_t type) {
    return test::HostTag(id, address, type, 1000);
  }

  test::TempDir dir;
  platform::PseudoTerminal line;
  std::string registry;
  platform::DynamicLibrary module;
  VdInv_IniDriver_Fn iniDriver = nullptr;
  VdInv_IniDriverEx_Fn iniDriverEx = nullptr;
  VdInv_OnDataRead_Fn onDataRead = nullptr;
  VdInv_OnDataWrite_Fn onDataWrite = nullptr;
  VdInv_GetDeviceStatus_Fn getDeviceStatus = nullptr;
  VdInv_WriteLog_Fn writeLog = nullptr;
  VdInv_DetectScanTime_Fn detectScanTime = nullptr;
  VdInv_FreeDriver_Fn freeDriver = nullptr;
  VdInv_GetPDBLen_Fn getPdbLen = nullptr;
  VdInv_FullPDB_Fn fullPdb = nullptr;
  VdInv_DLLEdDev_Fn dllEdDev = nullptr;
  VdInv_TagEdAddr_Fn tagEdAddr = nullptr;
  VdInv_GetTagAddrList_Fn getTagAddrList = nullptr;
  VdInv_DLLTestDev_Fn dllTestDev = nullptr;
};

TEST_F(ModuleTest, BlockExportsAnswerAsStored) {
  EXPECT_EQ(getPdbLen(), 26508);
  EXPECT_EQ(fullPdb(nullptr), nullptr);
  std::vector<uint8_t> block = DefaultBlock();
  EXPECT_EQ(block[0x6731], 6);
  EXPECT_EQ(block[0x6732], 4);
  EXPECT_EQ(block[0x10 + 5 * 264 + 4], 2);
}

TEST_F(ModuleTest, ALineRunsThroughTheExportsAndReportsToItsLog) {
  std::vector<uint8_t> block = DefaultBlock();
  std::thread host([&] {
    EXPECT_EQ(detectScanTime(), 1000);
    TTagInfo tags[] = {Tag(1, "COMMLINK", kString), Tag(2, "DEVICELINK0", kString)};
    TTagInfo* list[] = {&tags[0], &tags[1]};
    char* msg = nullptr;
    ASSERT_TRUE(iniDriver(2, list, block.data(), &msg));
    EXPECT_EQ(Take(msg), "Com1打开成功");
    EXPECT_TRUE(iniDriverEx(0));
    EXPECT_EQ(detectScanTime(), 10);
    TTagValue values[2];
    int32_t count = 0;
    EXPECT_TRUE(onDataRead(&count, values, &msg));
    ASSERT_EQ(count, 2);
    EXPECT_EQ(Take(values[0].Value.text), "富士变频器通讯始终不成功!");
    EXPECT_EQ(Take(values[1].Value.text), "0号变频器G11S通讯始终不成功!");
    EXPECT_TRUE(getDeviceStatus(&msg));
    EXPECT_EQ(Take(msg), "<null>");
    writeLog(true, nullptr);
    EXPECT_TRUE(freeDriver());
  });
  host.join();
  std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("：启动驱动程序富士变频器  ..."));
  EXPECT_THAT(log, HasSubstr("：驱动程序版本4.7.1.1  ..."));
  EXPECT_THAT(log, HasSubstr("：富士变频器驱动程序版本4.7.1.1退出运行！"));
}

TEST_F(ModuleTest, UnloadingDestroysTheUnloadingThreadsObject) {
  std::vector<uint8_t> block = DefaultBlock();
  TTagInfo tag = Tag(1, "COMMLINK", kAnalog);
  TTagInfo* list[] = {&tag};
  ASSERT_TRUE(iniDriver(1, list, block.data(), nullptr));
  EXPECT_EQ(LogText().find("退出运行！"), std::string::npos);
  ASSERT_TRUE(module.Close());
  // Destroying the object stopped it, so its run report is in the log.
  EXPECT_THAT(LogText(), HasSubstr("退出运行！"));
}

TEST_F(ModuleTest, NamedPipesAmongTheHostsFilesNeverBlock) {
  std::vector<uint8_t> block = DefaultBlock();
  ASSERT_TRUE(module.Close());
  // Nobody is at the other end of the host's version file or of the log.
  ASSERT_TRUE(platform::CreateDirectories(dir.File("proj/Debug")));
  ASSERT_EQ(::mkfifo(dir.File("Taxil.exe.version").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo(dir.File("proj/Debug/VD_Inv.Log").c_str(), 0644), 0);
  const std::optional<bool> started = test::ReturnsPromptly<bool>([this, block]() mutable {
    std::string error;
    if (!module.Open(VDINV_MODULE_PATH, &error)) return false;
    iniDriver = VDINV_FIND_EXPORT(module, IniDriver);
    freeDriver = VDINV_FIND_EXPORT(module, FreeDriver);
    TTagInfo tag = Tag(1, "COMMLINK", kAnalog);
    TTagInfo* list[] = {&tag};
    const bool initialised = iniDriver(1, list, block.data(), nullptr);
    return freeDriver() && initialised;
  });
  ASSERT_TRUE(started.has_value()) << "loading, IniDriver or FreeDriver blocked";
  EXPECT_TRUE(*started);
}

TEST_F(ModuleTest, TheTagEditorChecksAddressesAndListsTemplates) {
  int32_t count = 0;
  getTagAddrList(0, &count, nullptr);
  ASSERT_EQ(count, 10);
  std::vector<TTagAddrTemplate> templates(static_cast<size_t>(count));
  getTagAddrList(0, &count, templates.data());
  EXPECT_EQ(std::string(templates[9].prefix, templates[9].prefixLen), "CommErr");

  std::vector<uint8_t> block = DefaultBlock();
  char typed[] = "h0:10";
  char* address = typed;
  char* msg = nullptr;
  EXPECT_EQ(tagEdAddr(block.data(), &address, 0, &msg), 1);
  EXPECT_EQ(Take(address), "H0:10.-1");
  EXPECT_EQ(Take(msg), "<null>");
  EXPECT_STREQ(typed, "h0:10");  // the host's own text stays as it was
}

// The module has no views of its own, so an interactive test is the silent check: six
// attempts on a line where nothing answers, after which the thread has no driver object.
TEST_F(ModuleTest, TheDeviceTestTriesTheLineSilentlyAndFreesItsDriver) {
  std::vector<uint8_t> block = DefaultBlock();
  TDevParmBlock pdb = LoadPdb(block.data());
  pdb.OutTime = 10;
  StorePdb(block.data(), pdb);
  std::thread host([&] {
    EXPECT_EQ(dllTestDev(nullptr, 1), 0);
    EXPECT_EQ(dllTestDev(block.data(), 1), 0);
    EXPECT_EQ(detectScanTime(), 1000);  // the answer of a thread without a driver object
  });
  host.join();
}

// The module alone has no toolkit: the wizard is not shown and the host's block stays as it was.
TEST_F(ModuleTest, TheWizardWithoutAToolkitChangesNothing) {
  std::vector<uint8_t> block = DefaultBlock();
  const std::vector<uint8_t> before = block;
  EXPECT_EQ(dllEdDev(0, block.data()), 2);
  EXPECT_EQ(block, before);
  EXPECT_EQ(dllEdDev(0, nullptr), 2);
}

// Without a screen anybody could see, the wizard answers 2 and Qt stays out of the host: with no
// display named at all, and on Qt's screenless platforms in a host that runs no Qt application
// (a window there would hold the host in its modal loop for ever).
TEST_F(ModuleTest, WithoutAScreenTheWizardAnswersTwoAndQtStaysOutOfTheHost) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const char* platform : {static_cast<const char*>(nullptr), "offscreen"}) {
    EXPECT_EXIT(
        {
          unsetenv("DISPLAY");
          unsetenv("WAYLAND_DISPLAY");
          platform != nullptr ? setenv("QT_QPA_PLATFORM", platform, 1)
                              : unsetenv("QT_QPA_PLATFORM");
          alarm(20);  // a window shown now would never close
          std::vector<uint8_t> block = DefaultBlock();
          const int32_t answer = dllEdDev(0, block.data());
          const std::optional<std::string> maps = platform::ReadWholeFile("/proc/self/maps");
          const bool qtLoaded = !maps || maps->find("VD_Inv_ui.so") != std::string::npos;
          std::_Exit(answer == 2 && !qtLoaded ? 0 : 1);
        },
        testing::ExitedWithCode(0), "")
        << (platform != nullptr ? platform : "no display");
  }
}

TEST_F(ModuleTest, OnlyTheExportsAreVisible) {
  EXPECT_EQ(module.Symbol("_ZN5vdinv4host7Process8InstanceEv"), nullptr);
  EXPECT_EQ(module.Symbol("CopyPdb"), nullptr);
}

}  // namespace
}  // namespace vdinv
