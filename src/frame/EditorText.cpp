#include "frame/EditorText.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "text/WxText.h"

namespace {

const wxUniChar nul(0U);
const wxUniChar nulSymbol(0x2400U);

void setNote(wxStaticText& note, const wxString& message) {
  note.SetLabel(message);
  if (note.IsShown() == !message.empty()) return;
  note.Show(!message.empty());
  note.GetParent()->Layout();
}

}  // namespace

EditorText::EditorText(wxTextCtrl& textCtrl) : text(textCtrl) {
  note = new wxStaticText(text.GetParent(), wxID_ANY, wxEmptyString);
  note->Hide();
  text.Bind(wxEVT_TEXT, &EditorText::onText, this);
}

EditorText::~EditorText() { text.Unbind(wxEVT_TEXT, &EditorText::onText, this); }

wxWindow& EditorText::noteWindow() const { return *note; }

void EditorText::show(std::string_view displayText) {
  original = displayText;
  shown = WxText::fromUtf8(displayText);
  nulShown = shown.find(nul) != wxString::npos;
  if (nulShown) shown.Replace(wxString(nul), wxString(nulSymbol));
  cut = static_cast<long>(shown.length()) > shownLimit;
  if (cut) shown.Truncate(static_cast<std::size_t>(shownLimit));
  // Editing a beginning would drop the rest on store; the whole text stays in the record instead.
  text.SetEditable(!cut);
  text.ChangeValue(shown);
  setNote(*note, cut ? wxString::Format("Too long to edit here: first %ld characters shown, all kept.", shownLimit)
                     : wxString());
}

std::string EditorText::textToStore() const {
  if (cut) return original;
  wxString value = text.GetValue();
  if (value == shown) return original;
  if (nulShown) value.Replace(wxString(nulSymbol), wxString(nul));
  return WxText::toUtf8(value);
}

void EditorText::onText(wxCommandEvent& event) {
  event.Skip();
  // The toolkit offers no length limit for a multi-line box here, so a paste beyond it is cut
  // back; later, as the box is still inside its change. The box and the note outlive this.
  if (text.GetLastPosition() <= shownLimit) return;
  text.CallAfter([box = &text, cutNote = note] {
    const long last = box->GetLastPosition();
    if (last <= shownLimit) return;
    box->Remove(shownLimit, last);
    setNote(*cutNote, wxString::Format("Cut to its first %ld characters.", shownLimit));
  });
}
