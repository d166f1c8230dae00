#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

// The about box's picture, "ABOUTIMAGE", drawn at the top-left. A left click opens the
// product's home page.
class AboutCanvas : public wxWindow {
 public:
  explicit AboutCanvas(wxWindow* parent);

  // The picture; invalid when the resource could not be loaded (then nothing is drawn).
  [[nodiscard]] const wxBitmap& picture() const { return image; }

 protected:
  wxSize DoGetBestClientSize() const override;

 private:
  void onPaint(wxPaintEvent& event);
  void onLeftDown(wxMouseEvent& event);

  wxBitmap image;
};
