#include "project/TreeShare.h"

#include <algorithm>
#include <cmath>

#include "project/Settings.h"

namespace {

const char* const key = "treeShare";

}  // namespace

TreeShare::TreeShare(std::int32_t thousandths) : share(std::clamp(thousandths, smallest, largest)) {}

TreeShare TreeShare::read(const Settings& settings) {
  const std::optional<std::int32_t> stored = settings.read(key);
  if (!stored || *stored < smallest || *stored > largest) return TreeShare();
  return TreeShare(*stored);
}

void TreeShare::write(Settings& settings) const { settings.write(key, share); }

int TreeShare::position(int width) const {
  return static_cast<int>(std::lround(static_cast<double>(width) * share / 1000.0));
}

TreeShare TreeShare::movedTo(int position, int width) const {
  if (width <= 0) return *this;
  return TreeShare(static_cast<std::int32_t>(std::lround(1000.0 * position / width)));
}

int TreeShare::limit(int position, int width, int treeWidth, int editorWidth, int dividerWidth) {
  const int rightmost = width - dividerWidth - editorWidth;
  return std::max(0, std::min(std::max(position, treeWidth), rightmost));
}

int TreeShare::smallestWidth(int editorWidth, int dividerWidth) const {
  // The editors' side is (1000 - share) thousandths of the width, the divider included; one
  // pixel more for the rounding of the divider's place.
  return static_cast<int>(std::ceil((editorWidth + dividerWidth) * 1000.0 / (1000 - share))) + 1;
}
