#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>

#include "shell/ThemeBitmaps.h"
#include "support/GuiTest.h"

namespace {

void setTheme(const char* name) { g_object_set(gtk_settings_get_default(), "gtk-theme-name", name, nullptr); }

std::string currentTheme() {
  gchar* name = nullptr;
  g_object_get(gtk_settings_get_default(), "gtk-theme-name", &name, nullptr);
  std::string text = name != nullptr ? name : "";
  g_free(name);
  return text;
}

}  // namespace

// Catches rules the toolkit cannot read (never in force, so the SVG renderer loads again) and
// rules kept after the desktop changes to a theme whose images they would replace.
TEST(ThemeBitmapsWindowTest, FollowsTheDesktopThemeOnAndOff) {
  const std::string before = currentTheme();
  setTheme("Adwaita");
  GuiTest::flushEvents();
  {
    ThemeBitmaps bitmaps;
    EXPECT_TRUE(bitmaps.inForce());
    setTheme("HighContrast");
    GuiTest::flushEvents();
    EXPECT_FALSE(bitmaps.inForce());
    setTheme("Adwaita");
    GuiTest::flushEvents();
    EXPECT_TRUE(bitmaps.inForce());
  }
  setTheme(before.c_str());
  GuiTest::flushEvents();
}
