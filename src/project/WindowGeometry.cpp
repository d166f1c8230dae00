#include "project/WindowGeometry.h"

WindowGeometry WindowGeometry::restore(std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                                       std::optional<std::int32_t> x, std::optional<std::int32_t> y,
                                       std::int32_t screenWidth, std::int32_t screenHeight) {
  WindowGeometry g{width.value_or(0), height.value_or(0), x.value_or(0), y.value_or(0)};
  if (g.width <= 0 || g.height <= 0 || g.width >= screenWidth || g.height >= screenHeight) {
    g.width = defaultWidth;
    g.height = defaultHeight;
  }
  if (g.x > screenWidth) g.x = 0;
  if (g.y > screenHeight) g.y = 0;
  return g;
}
