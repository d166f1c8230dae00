#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// The environment the real program is started in on a test's own X server, whatever session is
// around the test: the toolkit on that display, no accessibility bus, settings and data under
// home.
inline std::vector<std::pair<std::string, std::string>> programOnDisplay(const std::string& display,
                                                                         const std::filesystem::path& home) {
  return {{"DISPLAY", display},
          {"WAYLAND_DISPLAY", ""},
          {"GDK_BACKEND", "x11"},
          {"NO_AT_BRIDGE", "1"},
          {"GSETTINGS_BACKEND", "memory"},
          {"HOME", home.string()},
          {"XDG_CONFIG_HOME", (home / "config").string()},
          {"XDG_DATA_HOME", (home / "data").string()}};
}
