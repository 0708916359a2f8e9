// The built VD_Inv_ui.so as the driver loads it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/dynamic_library.h"
#include "platform/toolkit.h"
#include "support/scoped_environment.h"

namespace vdinv::platform {
namespace {

// Loads the module in a fresh process (no Qt application yet) and asks it for the toolkit.
[[noreturn]] void ExitWithToolkitFound() {
  DynamicLibrary module;
  if (!module.Open(VDINV_UI_MODULE_PATH, nullptr)) std::_Exit(2);
  auto entry = reinterpret_cast<IToolkit* (*)()>(module.Symbol("VdinvUiToolkit"));
  if (entry == nullptr) std::_Exit(3);
  std::_Exit(entry() != nullptr ? 1 : 0);
}

TEST(UiModuleTest, WithoutADisplayTheEntryAnswersNullAndTheHostGoesOn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        test::ScopedEnvironment noPlatform("QT_QPA_PLATFORM", nullptr);
        test::ScopedEnvironment noX("DISPLAY", nullptr);
        test::ScopedEnvironment noWayland("WAYLAND_DISPLAY", nullptr);
        ExitWithToolkitFound();
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        test::ScopedEnvironment offscreen("QT_QPA_PLATFORM", "offscreen");
        ExitWithToolkitFound();
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        test::ScopedEnvironment unreachable("QT_QPA_PLATFORM", "xcb");
        test::ScopedEnvironment noServer("DISPLAY", "unix:/nonexistent/x11:77");
        ExitWithToolkitFound();
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vdinv::platform
