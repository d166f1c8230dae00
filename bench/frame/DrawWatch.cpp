#include "DrawWatch.h"

#include <wx/frame.h>
#include <wx/menu.h>

#include <algorithm>
#include <functional>

namespace {

using FirstDraws = std::unordered_map<const void*, std::chrono::steady_clock::time_point>;

// The parts of top: top, its bars and every window below it; with shownOnly, those shown on
// screen.
void forEachPart(wxWindow& top, bool shownOnly, const std::function<void(wxWindow&)>& visit) {
  const std::function<void(wxWindow&)> walk = [&](wxWindow& window) {
    if (shownOnly && !window.IsShownOnScreen()) return;
    visit(window);
    for (wxWindow* child : window.GetChildren()) walk(*child);
  };
  walk(top);
  // The menu bar is a window of the frame's own, outside its children.
  if (auto* frame = dynamic_cast<wxFrame*>(&top)) {
    wxMenuBar* bar = frame->GetMenuBar();
    if (bar != nullptr && top.GetChildren().Find(bar) == nullptr) walk(*bar);
  }
}

// The toolkit skips the draw signal of a widget that has no handler for it: each part gets one.
gboolean onDraw(GtkWidget* widget, cairo_t*, gpointer draws) {
  static_cast<std::shared_ptr<FirstDraws>*>(draws)->get()->try_emplace(widget, std::chrono::steady_clock::now());
  return FALSE;
}

void forgetDraws(gpointer draws, GClosure*) { delete static_cast<std::shared_ptr<FirstDraws>*>(draws); }

}  // namespace

DrawWatch::DrawWatch(wxWindow& top)
    : window(top),
      afterPaintSignal(g_signal_lookup("after-paint", GDK_TYPE_FRAME_CLOCK)),
      afterPaintHook(g_signal_add_emission_hook(afterPaintSignal, 0, &DrawWatch::onAfterPaint, this, nullptr)) {
  forEachPart(top, false, [this](wxWindow& part) {
    g_signal_connect_data(part.GetHandle(), "draw", G_CALLBACK(onDraw), new std::shared_ptr<FirstDraws>(firstDraws),
                          &forgetDraws, G_CONNECT_DEFAULT);
  });
}

DrawWatch::~DrawWatch() { g_signal_remove_emission_hook(afterPaintSignal, afterPaintHook); }

gboolean DrawWatch::onAfterPaint(GSignalInvocationHint*, guint count, const GValue* params, gpointer self) {
  if (count > 0) static_cast<DrawWatch*>(self)->paints.emplace_back(g_value_get_object(&params[0]), Clock::now());
  return TRUE;
}

std::optional<DrawWatch::Clock::time_point> DrawWatch::fullyDrawn() const {
  if (!undrawn().empty()) return std::nullopt;
  Clock::time_point last{};
  forEachPart(window, true, [&](wxWindow& part) { last = std::max(last, firstDraws->at(part.GetHandle())); });
  const void* clock = gtk_widget_get_frame_clock(window.GetHandle());
  for (const auto& [painter, end] : paints) {
    if (painter == clock && end >= last) return end;
  }
  return std::nullopt;
}

std::vector<wxString> DrawWatch::undrawn() const {
  std::vector<wxString> missing;
  forEachPart(window, true, [&](wxWindow& part) {
    if (!firstDraws->contains(part.GetHandle())) missing.push_back(part.GetClassInfo()->GetClassName());
  });
  return missing;
}
