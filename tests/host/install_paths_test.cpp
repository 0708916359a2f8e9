#include "host/install_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/host_env.h"
#include "support/temp_dir.h"

namespace vdinv::host {
namespace {

using test::ScopedCurrentDir;
using test::ScopedRegistry;
using test::TempDir;
using test::WriteTestFile;

TEST(LogFilePath, ProjectDirectoryDropsTheLastComponent) {
  EXPECT_EQ(ProjectDirectoryOf("D:\\Work\\Demo"), "D:/Work/");
  EXPECT_EQ(ProjectDirectoryOf("D:\\Work\\Demo\\"), "D:/Work/Demo/");
  EXPECT_EQ(ProjectDirectoryOf("/srv/projects/demo"), "/srv/projects/");
  EXPECT_EQ(ProjectDirectoryOf("..\\projects/demo"), "../projects/");
  EXPECT_EQ(ProjectDirectoryOf(".\\"), "./");
  EXPECT_EQ(ProjectDirectoryOf("Demo"), "");
  // A GBK character whose second byte is 0x5C neither ends a component nor turns into "/".
  EXPECT_EQ(ProjectDirectoryOf("/p/\x81\x5C/demo"), "/p/\x81\x5C/");
}

// A host installation in a temporary directory, the test working in a subdirectory of it.
class InstalledHost : public ::testing::Test {
 protected:
  InstalledHost()
      : registry_(root_.File("registry.ini")),
        work_((std::filesystem::create_directory(root_.File("work")), root_.File("work"))) {}

  // Registers pathValue as the host's PATH and puts the settings file into the root.
  void Install(const std::string& pathValue, const std::string& settings = "[WORKING]\n") {
    WriteTestFile(root_.File("registry.ini"), "[Software\\KORVI]\nPATH=" + pathValue + "\n");
    WriteTestFile(root_.File("Ovatrex.ini"), settings);
  }
  void RegisterHost(const std::string& settings) { Install(root_.Path(), settings); }

  TempDir root_;
  ScopedRegistry registry_;
  ScopedCurrentDir work_;
};

TEST_F(InstalledHost, LogLivesBesideTheCurrentProject) {
  RegisterHost("[working]\nDefaultPROJECT = D:\\Work\\Demo\n");
  EXPECT_EQ(ComputeLogPath(), "D:/Work/Debug/VD_Inv.Log");

  RegisterHost("[WORKING]\ndefaultproject=D:\\Work\\Demo\\\n");
  EXPECT_EQ(ComputeLogPath(), "D:/Work/Demo/Debug/VD_Inv.Log");

  RegisterHost("[WORKING]\nDefaultPROJECT=" + root_.Path() + "projects/demo\n");
  EXPECT_EQ(ComputeLogPath(), root_.Path() + "projects/Debug/VD_Inv.Log");

  RegisterHost("[WORKING]\n");  // no project: the default ".\"
  EXPECT_EQ(ComputeLogPath(), "./Debug/VD_Inv.Log");
}

TEST_F(InstalledHost, WithoutInstallationTheParentDirectorySettingsCount) {
  // Nothing registered: "Ovatrex.ini" is looked for in "../", here the temporary root.
  WriteTestFile(root_.File("Ovatrex.ini"), "[WORKING]\nDefaultPROJECT=/srv/plant/line1\n");
  EXPECT_EQ(ComputeLogPath(), "/srv/plant/Debug/VD_Inv.Log");

  std::filesystem::remove(root_.File("Ovatrex.ini"));
  EXPECT_EQ(ComputeLogPath(), "./Debug/VD_Inv.Log");
}

TEST_F(InstalledHost, InstallDirIsTheDirectoryOfTheRegisteredPath) {
  Install(root_.File("Taxil.exe"));
  EXPECT_EQ(HostInstallDir(), root_.Path());
  Install(root_.Path());
  EXPECT_EQ(HostInstallDir(), root_.Path());
}

TEST_F(InstalledHost, InstallDirFallsBackWithoutSettingsFile) {
  TempDir elsewhere;  // registered, but without "Ovatrex.ini"
  Install(elsewhere.Path());
  EXPECT_EQ(HostInstallDir(), "../");

  ScopedRegistry missing(root_.File("no-such-registry.ini"));
  EXPECT_EQ(HostInstallDir(), "../");
}

}  // namespace
}  // namespace vdinv::host
