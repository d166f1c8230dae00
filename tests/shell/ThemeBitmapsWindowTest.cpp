#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "shell/ThemeBitmaps.h"
#include "support/GuiTest.h"

namespace {

void setTheme(const char* name) {
  g_object_set(gtk_settings_get_default(), "gtk-theme-name", name, nullptr);
  GuiTest::flushEvents();
}

}  // namespace

// Catches rules the toolkit cannot read (never in force, so the SVG renderer loads again) and
// rules kept after the desktop changes to a theme whose images they would replace.
TEST(ThemeBitmapsWindowTest, FollowsTheDesktopThemeOnAndOff) {
  setTheme("Adwaita");
  ThemeBitmaps bitmaps;
  EXPECT_TRUE(bitmaps.inForce());
  setTheme("HighContrast");
  EXPECT_FALSE(bitmaps.inForce());
  setTheme("Adwaita");
  EXPECT_TRUE(bitmaps.inForce());
}
