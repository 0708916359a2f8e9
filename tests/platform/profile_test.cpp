#include "platform/profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/posix/cpuinfo.h"
#include "support/temp_dir.h"

namespace vdinv::platform {
namespace {

class PlatformIni : public ::testing::Test {
 protected:
  std::string Write(const std::string& text) {
    const std::string path = dir_.File("Ovatrex.ini");
    EXPECT_TRUE(WriteWholeFile(path, text));
    return path;
  }
  test::TempDir dir_;
};

TEST_F(PlatformIni, SectionsAndKeysIgnoreCase) {
  const std::string ini = Write("[Project]\nDefaultPROJECT=/opt/ovatrex/demo\n");
  EXPECT_EQ(ReadIniString(ini, "project", "defaultproject", "x"), "/opt/ovatrex/demo");
  EXPECT_EQ(ReadIniString(ini, "PROJECT", "DEFAULTPROJECT", "x"), "/opt/ovatrex/demo");
}

TEST_F(PlatformIni, BlanksAroundNamesAndValuesAreTrimmed) {
  const std::string ini = Write("  [ Project ]  \n\t Path \t=  /a b/c \t\n");
  EXPECT_EQ(ReadIniString(ini, "Project", "Path", "x"), "/a b/c");
  EXPECT_EQ(ReadIniString(ini, " Project ", " Path ", "x"), "/a b/c");
}

TEST_F(PlatformIni, CommentsAreSkipped) {
  const std::string ini = Write(
      "; leading comment\n[S]\n;Key=commented\n  ; Key=also commented\nKey=value ; not a "
      "comment\n");
  EXPECT_EQ(ReadIniString(ini, "S", "Key", "x"), "value ; not a comment");
  EXPECT_EQ(ReadIniString(ini, "S", ";Key", "x"), "x");
}

TEST_F(PlatformIni, DefaultWhenFileSectionOrKeyIsMissing) {
  const std::string ini = Write("[S]\nKey=value\nEmpty=\nNoEquals\n");
  EXPECT_EQ(ReadIniString(dir_.File("missing.ini"), "S", "Key", "def"), "def");
  EXPECT_EQ(ReadIniString(ini, "Other", "Key", "def"), "def");
  EXPECT_EQ(ReadIniString(ini, "S", "Other", "def"), "def");
  EXPECT_EQ(ReadIniString(ini, "S", "NoEquals", "def"), "def");
  EXPECT_EQ(ReadIniString(ini, "S", "Empty", "def"), "");  // present but empty
  EXPECT_EQ(ReadIniString(ini, "S", "Key", ""), "value");
}

TEST_F(PlatformIni, CrlfFilesWork) {
  const std::string ini = Write("\xEF\xBB\xBF[S]\r\nA=1\r\nB = two \r\n\r\n[T]\r\nA=3\r\n");
  EXPECT_EQ(ReadIniString(ini, "S", "A", "x"), "1");
  EXPECT_EQ(ReadIniString(ini, "S", "B", "x"), "two");
  EXPECT_EQ(ReadIniString(ini, "T", "A", "x"), "3");
}

TEST_F(PlatformIni, FirstSectionAndFirstKeyCount) {
  const std::string ini = Write("[S]\nA=1\na=2\n[T]\nA=3\n[s]\nA=4\nB=5\n");
  EXPECT_EQ(ReadIniString(ini, "S", "A", "x"), "1");
  EXPECT_EQ(ReadIniString(ini, "S", "B", "x"), "x");
  EXPECT_EQ(ReadIniString(ini, "T", "A", "x"), "3");
}

TEST_F(PlatformIni, KeysBeforeTheFirstSectionBelongToNone) {
  const std::string ini = Write("A=0\n[S]\nB=1\n");
  EXPECT_EQ(ReadIniString(ini, "S", "A", "x"), "x");
  EXPECT_EQ(ReadIniString(ini, "", "A", "x"), "x");
}

TEST_F(PlatformIni, ValueKeepsEqualsSignsAndLosesOnePairOfQuotes) {
  const std::string ini = Write("[S]\nA=b=c\nQ=\"quoted value\"\nR='x'\nU=\"half\n");
  EXPECT_EQ(ReadIniString(ini, "S", "A", "x"), "b=c");
  EXPECT_EQ(ReadIniString(ini, "S", "Q", "x"), "quoted value");
  EXPECT_EQ(ReadIniString(ini, "S", "R", "x"), "x");
  EXPECT_EQ(ReadIniString(ini, "S", "U", "x"), "\"half");
}

TEST_F(PlatformIni, GbkNamesAndValuesPassAsBytes) {
  // "变频器" in GBK as section, key and value.
  const std::string gbk = "\xB1\xE4\xC6\xB5\xC6\xF7";
  const std::string ini = Write("[" + gbk + "]\n" + gbk + "=" + gbk + "\n");
  EXPECT_EQ(ReadIniString(ini, gbk, gbk, "x"), gbk);
}

TEST_F(PlatformIni, ReadSection) {
  const std::string ini = Write("[S]\nB = 2\nA=1\na=ignored\n[T]\nC=3\n[Empty]\n");
  const auto section = ReadIniSection(ini, "s");
  ASSERT_TRUE(section.has_value());
  EXPECT_EQ(section->size(), 2U);
  EXPECT_EQ(section->at("A"), "1");
  EXPECT_EQ(section->at("B"), "2");
  const auto empty = ReadIniSection(ini, "Empty");
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());
  EXPECT_FALSE(ReadIniSection(ini, "Missing").has_value());
  EXPECT_FALSE(ReadIniSection(dir_.File("missing.ini"), "S").has_value());
}

// Points VD_INV_REGISTRY at a file of the test and restores the variable afterwards.
class PlatformRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = ::getenv("VD_INV_REGISTRY")) saved_ = old;
    registry_ = dir_.File("registry.ini");
    ::setenv("VD_INV_REGISTRY", registry_.c_str(), 1);
  }
  void TearDown() override {
    if (saved_) {
      ::setenv("VD_INV_REGISTRY", saved_->c_str(), 1);
    } else {
      ::unsetenv("VD_INV_REGISTRY");
    }
  }
  void Write(const std::string& text) { ASSERT_TRUE(WriteWholeFile(registry_, text)); }

  test::TempDir dir_;
  std::string registry_;
  std::optional<std::string> saved_;
};

TEST_F(PlatformRegistry, ReadsTheKeyOfTheInstallation) {
  Write("[Software\\KORVI]\r\nPATH=/opt/ovatrex/\r\n");
  EXPECT_TRUE(RegistryKeyExists("Software\\KORVI"));
  EXPECT_EQ(ReadRegistryString("Software\\KORVI", "PATH"), "/opt/ovatrex/");
}

TEST_F(PlatformRegistry, KeyPathsAndValueNamesIgnoreCase) {
  Write("[Software\\KORVI]\nPATH=/opt/ovatrex/\n");
  EXPECT_TRUE(RegistryKeyExists("SOFTWARE\\korvi"));
  EXPECT_EQ(ReadRegistryString("software\\Korvi", "path"), "/opt/ovatrex/");
}

TEST_F(PlatformRegistry, SlashesAndSurroundingBackslashesDoNotMatter) {
  Write("[\\Software/KORVI\\]\nPATH=/opt/ovatrex/\n[HKEY_LOCAL_MACHINE\\Software\\Other]\nX=1\n");
  EXPECT_EQ(ReadRegistryString("Software\\KORVI", "PATH"), "/opt/ovatrex/");
  EXPECT_EQ(ReadRegistryString("Software/KORVI", "PATH"), "/opt/ovatrex/");
  EXPECT_EQ(ReadRegistryString("\\Software\\KORVI\\", "PATH"), "/opt/ovatrex/");
  EXPECT_EQ(ReadRegistryString("Software\\Other", "X"), "1");
  EXPECT_TRUE(RegistryKeyExists("HKEY_LOCAL_MACHINE\\Software\\KORVI"));
}

TEST_F(PlatformRegistry, MissingFileKeyOrValueReadsEmpty) {
  EXPECT_FALSE(RegistryKeyExists("Software\\KORVI"));
  EXPECT_EQ(ReadRegistryString("Software\\KORVI", "PATH"), "");
  Write("[Software\\KORVI]\nPATH=/opt/ovatrex/\n");
  EXPECT_FALSE(RegistryKeyExists("Software\\KORV"));
  EXPECT_FALSE(RegistryKeyExists("Software"));  // a parent is only a key when written
  EXPECT_FALSE(RegistryKeyExists("Software\\KORVI\\Sub"));
  EXPECT_EQ(ReadRegistryString("Software\\KORVI", "Other"), "");
  EXPECT_EQ(ReadRegistryString("Software\\Other", "PATH"), "");
}

TEST_F(PlatformRegistry, ASwitchIsOnOnlyForOne) {
  const struct {
    const char* value;  // nullptr: no such value
    bool on;
  } cases[] = {{"1", true},   {"\"1\"", true}, {" 1 ", true}, {"0", false},    {"2", false},
               {"01", false}, {"yes", false},  {"", false},   {nullptr, false}};
  for (const auto& c : cases) {
    Write(std::string("[Software\\KORVI\\VD_Inv]\n") +
          (c.value != nullptr ? std::string("LineThread=") + c.value + "\n" : ""));
    EXPECT_EQ(ReadRegistrySwitch("Software\\KORVI\\VD_Inv", "LineThread"), c.on)
        << (c.value != nullptr ? c.value : "(missing)");
  }
}

TEST_F(PlatformRegistry, DefaultFileWhenVariableUnset) {
  ::unsetenv("VD_INV_REGISTRY");
  // Whatever /etc/vd_inv/registry.ini holds, a key that nobody writes is missing.
  EXPECT_FALSE(RegistryKeyExists("Software\\VdInvTest\\Surely\\Not\\There"));
}

TEST_F(PlatformRegistry, ProcessorKeyComesFromCpuInfo) {
  const std::optional<std::string> cpuinfo = ReadWholeFile("/proc/cpuinfo");
  if (!cpuinfo) GTEST_SKIP() << "/proc/cpuinfo is not readable";
  const internal::CpuInfo cpu = internal::ParseCpuInfo(*cpuinfo);
  const char* key = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
  EXPECT_TRUE(RegistryKeyExists(key));
  EXPECT_TRUE(RegistryKeyExists("hardware/description/system/centralprocessor/0"));
  EXPECT_FALSE(RegistryKeyExists("HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\1"));
  EXPECT_EQ(ReadRegistryString(key, "ProcessorNameString"), cpu.modelName);
  EXPECT_EQ(ReadRegistryString(key, "processornamestring"), cpu.modelName);
  EXPECT_EQ(ReadRegistryString(key, "VendorIdentifier"), cpu.vendorId);
  EXPECT_EQ(ReadRegistryString(key, "NoSuchValue"), "");
}

TEST(PlatformCpuInfo, ParsesTheFirstProcessor) {
  const char* text =
      "processor\t: 0\n"
      "vendor_id\t: GenuineIntel\n"
      "cpu family\t: 6\n"
      "model\t\t: 158\n"
      "model name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\n"
      "stepping\t: 10\n"
      "flags\t\t: fpu vme model\n"
      "\n"
      "processor\t: 1\n"
      "vendor_id\t: OtherVendor\n"
      "model name\t: Second\n";
  const internal::CpuInfo cpu = internal::ParseCpuInfo(text);
  EXPECT_EQ(cpu.modelName, "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz");
  EXPECT_EQ(cpu.vendorId, "GenuineIntel");
  EXPECT_EQ(internal::ProcessorKeyValue(cpu, "ProcessorNameString"),
            "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz");
  EXPECT_EQ(internal::ProcessorKeyValue(cpu, "VENDORIDENTIFIER"), "GenuineIntel");
  EXPECT_EQ(internal::ProcessorKeyValue(cpu, "Identifier"), "cpu family 6 model 158 stepping 10");
  EXPECT_FALSE(internal::ProcessorKeyValue(cpu, "~MHz").has_value());
}

TEST(PlatformCpuInfo, MissingLinesLeaveEmptyPieces) {
  const internal::CpuInfo cpu = internal::ParseCpuInfo("processor : 0\r\nBogoMIPS : 50.00\n");
  EXPECT_EQ(cpu.modelName, "");
  EXPECT_EQ(cpu.vendorId, "");
  EXPECT_EQ(internal::ProcessorKeyValue(cpu, "Identifier"), "cpu family  model  stepping ");
  const internal::CpuInfo empty = internal::ParseCpuInfo("");
  EXPECT_EQ(empty.modelName, "");
}

}  // namespace
}  // namespace vdinv::platform
