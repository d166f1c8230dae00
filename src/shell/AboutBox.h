#pragma once

#include <wx/dialog.h>

class AboutCanvas;
class wxButton;

// "About Zentak": the product picture (a click on it opens the home page) and a Close button.
// Shown modally by the main window, centred on it.
class AboutBox : public wxDialog {
 public:
  explicit AboutBox(wxWindow* parent);

  [[nodiscard]] AboutCanvas& canvas() const { return *picture; }
  [[nodiscard]] wxButton& closeButton() const { return *close; }

 private:
  AboutCanvas* picture;
  wxButton* close;
};
