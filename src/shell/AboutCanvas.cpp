#include "shell/AboutCanvas.h"

#include <wx/dcbuffer.h>

#include "resources/Resources.h"
#include "shell/WebLinks.h"

namespace {

// A little larger than the picture, which leaves a white margin on its right and bottom.
const wxSize canvasSize(330, 247);

}  // namespace

AboutCanvas::AboutCanvas(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE, "panel"),
      image(Resources::bitmap("ABOUTIMAGE")) {
  // Every pixel is painted here, so the toolkit need not erase first (no flicker).
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetBackgroundColour(*wxWHITE);
  SetCursor(wxCursor(wxCURSOR_HAND));
  Bind(wxEVT_PAINT, &AboutCanvas::onPaint, this);
  Bind(wxEVT_LEFT_DOWN, &AboutCanvas::onLeftDown, this);
}

wxSize AboutCanvas::DoGetBestClientSize() const {
  wxSize best = canvasSize;
  if (image.IsOk()) best.IncTo(image.GetSize());
  return best;
}

void AboutCanvas::onPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  // The canvas may be larger than the picture; the rest stays white instead of showing
  // whatever was there before.
  dc.SetBackground(wxBrush(GetBackgroundColour()));
  dc.Clear();
  if (image.IsOk()) dc.DrawBitmap(image, 0, 0, true);
}

void AboutCanvas::onLeftDown(wxMouseEvent& event) {
  WebLinks::openHomePage(this);
  event.Skip();
}
