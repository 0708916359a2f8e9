// The built VD_Inv_ui.so as the driver loads it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/dynamic_library.h"
#include "platform/qt/qt_fixture.h"
#include "platform/toolkit.h"
#include "support/scoped_environment.h"

namespace vdinv::platform {
namespace {

// Loads the module in a fresh process and asks it for the toolkit: exits with 1 when it answers
// one, 0 when it answers null.
[[noreturn]] void ExitWithToolkitFound() {
  DynamicLibrary module;
  if (!module.Open(VDINV_UI_MODULE_PATH, nullptr)) std::_Exit(2);
  auto entry = reinterpret_cast<IToolkit* (*)()>(module.Symbol("VdinvUiToolkit"));
  if (entry == nullptr) std::_Exit(3);
  std::_Exit(entry() != nullptr ? 1 : 0);
}

struct ModuleCase {
  const char* name;
  const char* platform;  // QT_QPA_PLATFORM
  const char* display;   // DISPLAY
  bool hostApplication;  // the host runs a Qt application of its own (on offscreen)
  int toolkitFound;
};

// A window on a screenless platform is seen by nobody and holds the host in its modal loop for
// ever: offscreen and minimal count only for a host that runs its application on them.
TEST(UiModuleTest, TheEntryAnswersNullWhereNobodyCouldSeeAWindowAndTheHostGoesOn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const ModuleCase cases[] = {
      {"no display", nullptr, nullptr, false, 0},
      {"offscreen", "offscreen", nullptr, false, 0},
      {"offscreen, host's application", "offscreen", nullptr, true, 1},
      {"xcb, no server", "xcb", "unix:/nonexistent/x11:77", false, 0},
  };
  for (const ModuleCase& c : cases) {
    EXPECT_EXIT(
        {
          test::ScopedEnvironment platform("QT_QPA_PLATFORM", c.platform);
          test::ScopedEnvironment x("DISPLAY", c.display);
          test::ScopedEnvironment noWayland("WAYLAND_DISPLAY", nullptr);
          if (c.hostApplication) qt::StartHostApplication();
          ExitWithToolkitFound();
        },
        testing::ExitedWithCode(c.toolkitFound), "")
        << c.name;
  }
}

}  // namespace
}  // namespace vdinv::platform
