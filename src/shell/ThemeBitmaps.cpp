#include "shell/ThemeBitmaps.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <string>

namespace {

// Each rule keeps the theme's selector; the check marks and bullets take the bitmaps the theme
// itself falls back to, the expanders the toolkit's own.
constexpr std::string_view rules =
    R"(check:checked { -gtk-icon-source:
  -gtk-recolor(url("resource:///org/gtk/libgtk/theme/Adwaita/assets/check-symbolic.symbolic.png")); }
check:indeterminate { -gtk-icon-source:
  -gtk-recolor(url("resource:///org/gtk/libgtk/theme/Adwaita/assets/dash-symbolic.symbolic.png")); }
treeview.view radio:checked:selected, radio:checked { -gtk-icon-source:
  -gtk-recolor(url("resource:///org/gtk/libgtk/theme/Adwaita/assets/bullet-symbolic.symbolic.png")); }
treeview.view radio:indeterminate:selected, radio:indeterminate { -gtk-icon-source:
  -gtk-recolor(url("resource:///org/gtk/libgtk/theme/Adwaita/assets/dash-symbolic.symbolic.png")); }
treeview.view.expander { -gtk-icon-source:
  -gtk-recolor(url("resource:///org/gtk/libgtk/icons/16x16/status/pan-end-symbolic.symbolic.png")); }
treeview.view.expander:dir(rtl) { -gtk-icon-source:
  -gtk-recolor(url("resource:///org/gtk/libgtk/icons/16x16/status/pan-start-symbolic.symbolic.png")); }
treeview.view.expander:checked { -gtk-icon-source:
  -gtk-recolor(url("resource:///org/gtk/libgtk/icons/16x16/status/pan-down-symbolic.symbolic.png")); }
)";

std::string stringSetting(GtkSettings* settings, const char* name) {
  gchar* value = nullptr;
  g_object_get(settings, name, &value, nullptr);
  std::string text = value != nullptr ? value : "";
  g_free(value);
  return text;
}

// The largest scale of the display's monitors.
int largestScale() {
  GdkDisplay* display = gdk_display_get_default();
  int largest = 1;
  for (int i = 0; display != nullptr && i < gdk_display_get_n_monitors(display); ++i) {
    largest = std::max(largest, gdk_monitor_get_scale_factor(gdk_display_get_monitor(display, i)));
  }
  return largest;
}

void themeChanged(GObject*, GParamSpec*, gpointer self) { static_cast<ThemeBitmaps*>(self)->follow(); }

void monitorsChanged(GdkScreen*, gpointer self) { static_cast<ThemeBitmaps*>(self)->follow(); }

}  // namespace

ThemeBitmaps::ThemeBitmaps()
    : settings(gtk_settings_get_default()), screen(gdk_screen_get_default()), provider(gtk_css_provider_new()) {
  uiThread.assertCurrent("ThemeBitmaps::ThemeBitmaps");
  // Rules the toolkit cannot read leave the theme as it is.
  GError* error = nullptr;
  const bool read = gtk_css_provider_load_from_data(provider, rules.data(), static_cast<gssize>(rules.size()), &error);
  if (error != nullptr) g_error_free(error);
  if (!read || settings == nullptr || screen == nullptr) return;
  themeWatch = g_signal_connect(settings, "notify::gtk-theme-name", G_CALLBACK(themeChanged), this);
  iconThemeWatch = g_signal_connect(settings, "notify::gtk-icon-theme-name", G_CALLBACK(themeChanged), this);
  monitorWatch = g_signal_connect(screen, "monitors-changed", G_CALLBACK(monitorsChanged), this);
  follow();
}

ThemeBitmaps::~ThemeBitmaps() {
  if (themeWatch != 0) {
    g_signal_handler_disconnect(settings, themeWatch);
    g_signal_handler_disconnect(settings, iconThemeWatch);
    g_signal_handler_disconnect(screen, monitorWatch);
  }
  if (installed) gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider));
  g_object_unref(provider);
}

bool ThemeBitmaps::appliesTo(std::string_view themeName, std::string_view iconThemeName, int largestScale) {
  return (themeName == "Adwaita" || themeName == "Adwaita-dark") && iconThemeName == "Adwaita" && largestScale == 1;
}

void ThemeBitmaps::follow() {
  uiThread.assertCurrent("ThemeBitmaps::follow");
  const bool wanted = appliesTo(stringSetting(settings, "gtk-theme-name"),
                                stringSetting(settings, "gtk-icon-theme-name"), largestScale());
  if (wanted == installed) return;
  if (wanted) {
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  } else {
    gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider));
  }
  installed = wanted;
}
