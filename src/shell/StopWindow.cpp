#include "shell/StopWindow.h"

#include <gtk-layer-shell.h>
#include <gtk/gtk.h>
#include <wx/button.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/popupwin.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include "text/WxText.h"

namespace {

// A layer-shell surface in the top-right corner, above every window, fullscreen ones too, that
// takes no keyboard input. The surface's role is fixed when its window is realized, which on
// Wayland the toolkit leaves until the window is shown.
wxWindow* makeLayerSurface() {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "Zentak", wxDefaultPosition, wxDefaultSize,
                            wxBORDER_NONE | wxFRAME_NO_TASKBAR);
  auto* gtkWindow = GTK_WINDOW(frame->GetHandle());
  gtk_layer_init_for_window(gtkWindow);
  gtk_layer_set_namespace(gtkWindow, "zentak-stop");
  gtk_layer_set_layer(gtkWindow, GTK_LAYER_SHELL_LAYER_OVERLAY);
  gtk_layer_set_keyboard_mode(gtkWindow, GTK_LAYER_SHELL_KEYBOARD_MODE_NONE);
  gtk_layer_set_anchor(gtkWindow, GTK_LAYER_SHELL_EDGE_TOP, TRUE);
  gtk_layer_set_anchor(gtkWindow, GTK_LAYER_SHELL_EDGE_RIGHT, TRUE);
  gtk_layer_set_margin(gtkWindow, GTK_LAYER_SHELL_EDGE_TOP, StopWindow::margin);
  gtk_layer_set_margin(gtkWindow, GTK_LAYER_SHELL_EDGE_RIGHT, StopWindow::margin);
  return frame;
}

// An override-redirect window: no window manager frames, places or focuses it, and the X
// server gives it no focus on a click. Its type tells an XWayland compositor, which focuses
// override-redirect windows of most other types, to leave the focus where it is; its hints ask
// for no input focus, for a desktop that looks at those instead.
wxWindow* makeX11Window() {
  auto* popup = new wxPopupWindow(nullptr, wxBORDER_SIMPLE);
  gtk_window_set_type_hint(GTK_WINDOW(popup->GetHandle()), GDK_WINDOW_TYPE_HINT_NOTIFICATION);
  gtk_window_set_accept_focus(GTK_WINDOW(popup->GetHandle()), FALSE);
  return popup;
}

}  // namespace

StopControls::Toolkit StopWindow::toolkit() {
  GdkDisplay* display = gdk_display_get_default();
#ifdef GDK_WINDOWING_WAYLAND
  if (GDK_IS_WAYLAND_DISPLAY(display)) return {StopControls::Display::wayland, gtk_layer_is_supported() != FALSE};
#endif
#ifdef GDK_WINDOWING_X11
  if (GDK_IS_X11_DISPLAY(display)) return {StopControls::Display::x11, false};
#endif
  return {};
}

StopWindow::StopWindow(StopControls::Surface surface, const wxString& note, std::function<void()> endSequence) {
  top = surface == StopControls::Surface::layerShell ? makeLayerSurface() : makeX11Window();
  auto* panel = new wxPanel(top);
  auto* column = new wxBoxSizer(wxVERTICAL);
  progressText = new wxStaticText(panel, wxID_ANY, wxString());
  column->Add(progressText, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, 8));
  endButton = new wxButton(panel, wxID_ANY, WxText::fromUtf8(StopControls::endSequenceText));
  endButton->Bind(wxEVT_BUTTON, [hook = std::move(endSequence)](wxCommandEvent&) { hook(); });
  column->Add(endButton, wxSizerFlags().Expand().Border(wxALL, 8));
  if (!note.empty()) {
    column->Add(new wxStaticText(panel, wxID_ANY, note), wxSizerFlags().Border(wxLEFT | wxRIGHT | wxBOTTOM, 8));
  }
  panel->SetSizer(column);
  auto* outer = new wxBoxSizer(wxVERTICAL);
  outer->Add(panel, wxSizerFlags(1).Expand());
  top->SetSizerAndFit(outer);
  placedHere = surface != StopControls::Surface::layerShell;
  place();
  top->Show();
}

void StopWindow::place() {
  if (!placedHere) return;
  const wxRect screen = wxDisplay(0U).GetClientArea();
  top->Move(screen.GetRight() - top->GetSize().GetWidth() - margin, screen.GetTop() + margin);
}

// The window grows with a longer text and keeps its corner; the same text changes nothing.
void StopWindow::setProgress(const wxString& text) {
  if (text == progressText->GetLabel()) return;
  progressText->SetLabel(text);
  top->Fit();
  top->Layout();
  place();
}

wxString StopWindow::progress() const { return progressText->GetLabel(); }

StopWindow::~StopWindow() { top->Destroy(); }
