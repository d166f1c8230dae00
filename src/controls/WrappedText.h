#pragma once

#include <wx/stattext.h>

// A text that wraps its label to the width its sizer gives it and asks for the height of the
// wrapped lines. A plain static text asks for its label's whole width on one line, so a long one
// widens the window or is cut off at its edge. UI thread only.
class WrappedText final : public wxStaticText {
 public:
  explicit WrappedText(wxWindow* parent);

  // Sets the text; it is measured anew, as a text that sizes itself would be.
  void SetLabel(const wxString& label) override;

 private:
  [[nodiscard]] wxSize DoGetBestSize() const override;
  void onSize(wxSizeEvent& event);
  // The height wrapping the text to width adds.
  [[nodiscard]] int heightFor(int width) const;

  // The width the text was last laid out in; none until it is.
  int laidOutWidth = 0;
};
