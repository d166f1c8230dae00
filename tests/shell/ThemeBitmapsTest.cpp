#include "shell/ThemeBitmaps.h"

#include <gtest/gtest.h>

namespace {

struct ThemeRow {
  const char* theme;
  const char* iconTheme;
  int largestScale;
  bool applies;
};

}  // namespace

// Catches the bitmaps replacing another theme's images or the icon theme's own expanders, or
// standing in, blurred, for the sharp images of a monitor of twice the scale.
TEST(ThemeBitmapsTest, AppliesOnlyWhereTheBitmapsDrawAsTheImagesWould) {
  const ThemeRow rows[] = {
      {"Adwaita", "Adwaita", 1, true},        {"Adwaita-dark", "Adwaita", 1, true},
      {"Adwaita", "Adwaita", 2, false},       {"HighContrast", "Adwaita", 1, false},
      {"Adwaita", "Papirus", 1, false},       {"Yaru", "Yaru", 1, false},
      {"adwaita", "Adwaita", 1, false},       {"", "", 1, false},
  };
  for (const ThemeRow& row : rows) {
    EXPECT_EQ(ThemeBitmaps::appliesTo(row.theme, row.iconTheme, row.largestScale), row.applies)
        << row.theme << " / " << row.iconTheme << " at scale " << row.largestScale;
  }
}
