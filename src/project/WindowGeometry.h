#pragma once

#include <cstdint>
#include <optional>

// Where the main window opens, from the size and position stored at the last exit.
struct WindowGeometry {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;

  static constexpr std::int32_t defaultWidth = 750;
  static constexpr std::int32_t defaultHeight = 550;
  static constexpr std::int32_t minimumSize = 300;

  friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;

  // A stored size is used only when both sides are positive and smaller than the screen;
  // otherwise 750 x 550. A stored position past the screen's width or height becomes 0 on that
  // axis; a negative one is used as it is. Values that could not be read count as 0.
  static WindowGeometry restore(std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                                std::optional<std::int32_t> x, std::optional<std::int32_t> y, std::int32_t screenWidth,
                                std::int32_t screenHeight);
};
