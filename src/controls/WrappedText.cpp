#include "controls/WrappedText.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace {

// Asked for at most, so that a long text never widens what holds it.
constexpr int narrowest = 60;

}  // namespace

WrappedText::WrappedText(wxWindow* parent)
    : wxStaticText(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxST_NO_AUTORESIZE) {
  Bind(wxEVT_SIZE, &WrappedText::onSize, this);
}

void WrappedText::SetLabel(const wxString& label) {
  wxStaticText::SetLabel(label);
  InvalidateBestSize();
}

int WrappedText::heightFor(int width) const {
  // Measured as the toolkit's label lays its text out (its own measure keeps answers from before
  // the text changed): the height the wrapped lines add to one line's.
  GtkLabel* label = GTK_LABEL(m_widget);
  PangoLayout* layout = gtk_widget_create_pango_layout(m_widget, gtk_label_get_text(label));
  pango_layout_set_wrap(layout, gtk_label_get_line_wrap_mode(label));
  int unused = 0;
  int oneLine = 0;
  pango_layout_get_pixel_size(layout, &unused, &oneLine);
  pango_layout_set_width(layout, width * PANGO_SCALE);
  int wrapped = 0;
  pango_layout_get_pixel_size(layout, &unused, &wrapped);
  g_object_unref(layout);
  return wrapped - oneLine;
}

wxSize WrappedText::DoGetBestSize() const {
  const wxSize oneLine = wxStaticText::DoGetBestSize();
  const int width = std::min(oneLine.GetWidth(), FromDIP(narrowest));
  return {width, oneLine.GetHeight() + (laidOutWidth > 0 ? heightFor(laidOutWidth) : 0)};
}

void WrappedText::onSize(wxSizeEvent& event) {
  event.Skip();
  const int width = event.GetSize().GetWidth();
  if (width == laidOutWidth || width <= 0) return;
  laidOutWidth = width;
  InvalidateBestSize();
  if (GetBestSize().GetHeight() == GetSize().GetHeight()) return;
  // The wrapped lines need another height: laid out again once this layout is done.
  CallAfter([this] { GetParent()->Layout(); });
}
