#pragma once

#include <cstdint>

class Settings;

// The command tree's share of the main window's width, beside the editors: 30 % at first, then
// where the user leaves the divider, kept in the settings between runs. The tree keeps its share
// as the window is resized; the editors always keep their smallest width. Plain arithmetic on
// pixels; UI thread only for the settings.
class TreeShare {
 public:
  // Shares are in thousandths of the width.
  static constexpr std::int32_t standard = 300;
  static constexpr std::int32_t smallest = 50;
  static constexpr std::int32_t largest = 950;

  explicit TreeShare(std::int32_t thousandths = standard);

  // The stored share; the standard one when none is stored or the stored one is out of range.
  static TreeShare read(const Settings& settings);
  void write(Settings& settings) const;

  [[nodiscard]] std::int32_t thousandths() const { return share; }
  // The divider's place (the tree's width) in a width of the given pixels.
  [[nodiscard]] int position(int width) const;
  // The share a divider at position gives in width; unchanged for a width of nothing.
  [[nodiscard]] TreeShare movedTo(int position, int width) const;

  // The divider's place nearest to position that leaves the tree at least treeWidth and the
  // editors (right of a divider dividerWidth wide) at least editorWidth; when both cannot be
  // had, the editors come first.
  [[nodiscard]] static int limit(int position, int width, int treeWidth, int editorWidth, int dividerWidth);
  // The smallest width in which the tree has its share and the editors beside it editorWidth.
  [[nodiscard]] int smallestWidth(int editorWidth, int dividerWidth) const;

  friend bool operator==(const TreeShare&, const TreeShare&) = default;

 private:
  std::int32_t share;
};
