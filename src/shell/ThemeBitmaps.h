#pragma once

#include <string_view>

#include "tern/OwnerThread.h"

typedef struct _GdkScreen GdkScreen;
typedef struct _GtkCssProvider GtkCssProvider;
typedef struct _GtkSettings GtkSettings;

// Has the toolkit's built-in Adwaita theme draw its check marks, radio bullets and tree expanders
// at the normal scale from the bitmaps it ships, instead of from SVG images: drawing one SVG
// loads the SVG renderer and its XML and Unicode libraries, about 8 MB of memory the program
// would otherwise never need. The bitmaps are drawn at their own size, so on a monitor of a
// larger scale, and under any other theme, nothing changes. The adjustment follows the desktop's
// theme and monitors while the object lives. UI thread only.
class ThemeBitmaps {
 public:
  ThemeBitmaps();
  ~ThemeBitmaps();
  ThemeBitmaps(const ThemeBitmaps&) = delete;
  ThemeBitmaps& operator=(const ThemeBitmaps&) = delete;

  // The theme's bitmaps draw alike only under the built-in Adwaita theme with the Adwaita icons,
  // on monitors of the normal scale.
  [[nodiscard]] static bool appliesTo(std::string_view themeName, std::string_view iconThemeName, int largestScale);
  // Whether the rules are in force now.
  [[nodiscard]] bool inForce() const { return installed; }
  // Adds or removes the rules to suit the current theme; called as the theme changes.
  void follow();

 private:
  const Tern::OwnerThread uiThread;
  GtkSettings* settings;
  GdkScreen* screen;
  GtkCssProvider* provider;
  unsigned long themeWatch = 0;
  unsigned long iconThemeWatch = 0;
  unsigned long monitorWatch = 0;
  bool installed = false;
};
