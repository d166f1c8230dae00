#pragma once

#include <wx/colour.h>
#include <wx/string.h>

#include <string>
#include <string_view>
#include <vector>

#include "keys/KeyTextCheck.h"

class wxCommandEvent;
class wxMouseEvent;
class wxStaticText;
class wxTextCtrl;
class wxWindow;

// A record's text in a multi-line editor. The toolkit's text box cannot hold a NUL, and a huge
// text makes every keystroke take seconds, so the editor shows NUL as U+2400 and at most
// shownLimit characters. While the user has left the text as shown, storing gives back the bytes
// that were shown, exactly and however long. As the text changes, what it will not type as
// written is marked in the box and the first such part is told in the note; each marked part
// tells its own in a tool tip while the pointer is over it. UI thread only.
class EditorText {
 public:
  // An unbroken line of 64 KiB already takes the toolkit seconds to lay out; 16 KiB stays quick.
  static constexpr long shownLimit = 16384;

  // Watches text, and adds a note beside it (hidden until needed) for the panel to place;
  // delivery tells which characters the desktop will paste or skip (empty: all are typed).
  explicit EditorText(wxTextCtrl& text, KeyTextCheck::DeliveryOf delivery = {});
  ~EditorText();
  EditorText(const EditorText&) = delete;
  EditorText& operator=(const EditorText&) = delete;

  [[nodiscard]] wxWindow& noteWindow() const;
  // The background of the parts of the text that will not type as written.
  [[nodiscard]] static wxColour markColour();

  // Shows a record's text in display form. One longer than shownLimit shows its beginning,
  // read-only, with a note saying so.
  void show(std::string_view displayText);
  // The text to store in display form: the editor's, or the one shown while it is unchanged.
  [[nodiscard]] std::string textToStore() const;

 private:
  void onText(wxCommandEvent& event);
  void onMotion(wxMouseEvent& event);
  // Wraps the box between any two characters while value holds a word too long to wrap whole.
  void chooseWrap(const wxString& value);
  // Checks the box's text, marks what will not type as written and tells the first of it.
  void checkText();

  wxTextCtrl& text;
  const KeyTextCheck::DeliveryOf delivery;
  wxStaticText* note = nullptr;
  std::string original;
  wxString shown;
  bool nulShown = false;
  bool cut = false;
  // A marked part of the text, in the box's character positions, and what it will do.
  struct Mark {
    long begin;
    long end;
    wxString message;
  };
  std::vector<Mark> marks;
};
