#include "platform/qt/display_check.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace vdinv::platform::qt {
namespace {

struct DisplayCase {
  const char* name;
  std::map<std::string, std::string> environment;
  std::set<std::string> servers;  // X displays and Wayland sockets that accept a connection
  std::set<std::string> plugins;
  std::optional<std::string> platform;
};

TEST(DisplayCheckTest, StartsQtOnlyOnAPlatformThatCanStart) {
  const std::set<std::string> basePlugins = {"xcb", "offscreen", "minimal"};
  const std::set<std::string> withWayland = {"xcb", "offscreen", "minimal", "wayland"};
  const DisplayCase cases[] = {
      {"nothing set", {}, {":0", "wayland-0"}, withWayland, std::nullopt},
      {"offscreen asked", {{"QT_QPA_PLATFORM", "offscreen"}}, {}, basePlugins, "offscreen"},
      {"options kept",
       {{"QT_QPA_PLATFORM", "offscreen:fontengine=freetype"}},
       {},
       basePlugins,
       "offscreen:fontengine=freetype"},
      {"offscreen plugin missing", {{"QT_QPA_PLATFORM", "offscreen"}}, {}, {"xcb"}, std::nullopt},
      {"xcb asked, no server",
       {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":0"}},
       {},
       basePlugins,
       std::nullopt},
      {"first usable of a list",
       {{"QT_QPA_PLATFORM", "xcb;minimal"}, {"DISPLAY", ":0"}},
       {},
       basePlugins,
       "minimal"},
      {"unknown platform", {{"QT_QPA_PLATFORM", "eglfs"}}, {}, basePlugins, std::nullopt},
      {"X display answers", {{"DISPLAY", ":0"}}, {":0"}, basePlugins, "xcb"},
      {"X display silent", {{"DISPLAY", ":9"}}, {":0"}, basePlugins, std::nullopt},
      {"empty DISPLAY", {{"DISPLAY", ""}}, {""}, basePlugins, std::nullopt},
      {"X before Wayland",
       {{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-1"}},
       {":0", "wayland-1"},
       withWayland,
       "xcb"},
      {"Wayland answers",
       {{"WAYLAND_DISPLAY", "wayland-1"}},
       {"wayland-1"},
       withWayland,
       "wayland"},
      {"Wayland without its plugin",
       {{"WAYLAND_DISPLAY", "wayland-1"}},
       {"wayland-1"},
       basePlugins,
       std::nullopt},
  };
  for (const DisplayCase& c : cases) {
    DisplayProbes probes;
    probes.environment = [&c](const char* name) -> std::optional<std::string> {
      auto found = c.environment.find(name);
      if (found == c.environment.end()) return std::nullopt;
      return found->second;
    };
    probes.x11Connectable = [&c](const std::string& d) { return c.servers.count(d) != 0; };
    probes.waylandConnectable = [&c](const std::string& s) { return c.servers.count(s) != 0; };
    probes.pluginInstalled = [&c](const std::string& p) { return c.plugins.count(p) != 0; };
    EXPECT_EQ(UsablePlatform(probes), c.platform) << c.name;
  }
}

}  // namespace
}  // namespace vdinv::platform::qt
