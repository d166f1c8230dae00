#pragma once

#include <gtk/gtk.h>
#include <wx/window.h>

#include <chrono>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

// Watches the drawing of a window and every window below it, from construction on. The window
// counts as fully drawn once each of its parts shown on screen (the window itself, its menu bar,
// toolbar, status bar, panels and every control on them) has been drawn at least once: the
// moment is the end of the frame in which the last of them was drawn first. A part made after
// the watch never counts as drawn: watch a window as soon as it is made. One watch at a time, on
// the UI thread.
class DrawWatch {
 public:
  using Clock = std::chrono::steady_clock;

  explicit DrawWatch(wxWindow& top);
  ~DrawWatch();
  DrawWatch(const DrawWatch&) = delete;
  DrawWatch& operator=(const DrawWatch&) = delete;

  // When the window became fully drawn; nothing while a part shown on screen has yet to be drawn.
  [[nodiscard]] std::optional<Clock::time_point> fullyDrawn() const;
  // The parts shown on screen that have not been drawn yet, by class name, for a report.
  [[nodiscard]] std::vector<wxString> undrawn() const;

 private:
  // The first draw of each widget, by its toolkit handle; shared with the widgets' draw handlers,
  // which may outlive the watch.
  using FirstDraws = std::unordered_map<const void*, Clock::time_point>;

  static gboolean onAfterPaint(GSignalInvocationHint* hint, guint count, const GValue* params, gpointer self);

  wxWindow& window;
  std::shared_ptr<FirstDraws> firstDraws = std::make_shared<FirstDraws>();
  // The end of each frame painted, with the frame clock that painted it.
  std::vector<std::pair<const void*, Clock::time_point>> paints;
  guint afterPaintSignal = 0;
  gulong afterPaintHook = 0;
};
