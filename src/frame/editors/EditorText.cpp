#include "frame/editors/EditorText.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/wupdlock.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "controls/WrappedText.h"
#include "keys/KeyTextCheck.h"
#include "keys/KeyTokens.h"
#include "text/WxText.h"

namespace {

const wxUniChar nul(0U);
const wxUniChar nulSymbol(0x2400U);

// Findings marked in a text at most; each costs the toolkit a style change per keystroke.
constexpr std::size_t mostMarks = 64;

// Longest run of characters without a blank or line break that still wraps between words. The
// toolkit breaks a longer run between characters only after measuring it again for each line it
// fills, so a box full of tokens such as "<ENTER><TAB>..." took seconds to lay out.
constexpr std::size_t longestWordToWrap = 200;

bool hasOverlongWord(const wxString& text) {
  std::size_t run = 0;
  for (const wxUniChar c : text) {
    const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
    run = blank ? 0 : run + 1;
    if (run > longestWordToWrap) return true;
  }
  return false;
}

// The characters before a byte offset of a UTF-8 text: the box counts positions in characters.
long characterPosition(std::string_view text, std::size_t byteOffset) {
  long characters = 0;
  for (std::size_t i = 0; i < byteOffset && i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U) ++characters;
  }
  return characters;
}

// The screen a mouse token's point must lie on.
KeyTextCheck::Screen screen() {
  const wxSize size = wxGetDisplaySize();
  return {size.GetWidth(), size.GetHeight()};
}

const KeyTextCheck& textCheck() {
  static const KeyTokens tokens;
  static const KeyTextCheck check(tokens);
  return check;
}

void setNote(wxStaticText& note, const wxString& message) {
  const int height = note.GetBestSize().GetHeight();
  note.SetLabel(message);
  // A message of more or fewer lines needs another height too.
  if (note.IsShown() == !message.empty() && note.GetBestSize().GetHeight() == height) return;
  note.Show(!message.empty());
  note.GetParent()->Layout();
}

}  // namespace

EditorText::EditorText(wxTextCtrl& textCtrl, KeyTextCheck::DeliveryOf characterDelivery)
    : text(textCtrl), delivery(std::move(characterDelivery)) {
  note = new WrappedText(text.GetParent());
  note->Hide();
  text.Bind(wxEVT_TEXT, &EditorText::onText, this);
  text.Bind(wxEVT_MOTION, &EditorText::onMotion, this);
}

EditorText::~EditorText() {
  text.Unbind(wxEVT_TEXT, &EditorText::onText, this);
  text.Unbind(wxEVT_MOTION, &EditorText::onMotion, this);
}

wxWindow& EditorText::noteWindow() const { return *note; }

void EditorText::show(std::string_view displayText) {
  original = displayText;
  shown = WxText::fromUtf8(displayText);
  nulShown = shown.find(nul) != wxString::npos;
  if (nulShown) shown.Replace(wxString(nul), wxString(nulSymbol));
  cut = static_cast<long>(shown.length()) > shownLimit;
  if (cut) shown.Truncate(static_cast<std::size_t>(shownLimit));
  // Without the box laid out meanwhile, the text and its marks cost the toolkit one layout.
  const wxWindowUpdateLocker layoutOnce(&text);
  // Editing a beginning would drop the rest on store; the whole text stays in the record instead.
  text.SetEditable(!cut);
  chooseWrap(shown);
  text.ChangeValue(shown);
  if (cut) {
    marks.clear();
    setNote(*note, wxString::Format("Too long to edit here: first %ld characters shown, all kept.", shownLimit));
  } else {
    checkText();
  }
}

wxColour EditorText::markColour() { return {255, 200, 200}; }

void EditorText::chooseWrap(const wxString& value) {
  const long style = text.GetWindowStyleFlag() & ~wxTE_CHARWRAP;
  const long wanted = hasOverlongWord(value) ? style | wxTE_CHARWRAP : style;
  if (wanted != text.GetWindowStyleFlag()) text.SetWindowStyleFlag(wanted);
}

void EditorText::checkText() {
  const wxString boxText = text.GetValue();
  chooseWrap(boxText);
  const std::string value = WxText::toUtf8(boxText);
  const std::vector<KeyTextCheck::Finding> findings = textCheck().check(value, screen(), mostMarks, delivery);
  if (!marks.empty()) text.SetStyle(0, text.GetLastPosition(), wxTextAttr(wxNullColour, text.GetBackgroundColour()));
  marks.clear();
  // A tip of a finding since mended goes; the pointer's next move brings a current one.
  if (!text.GetToolTipText().empty()) text.UnsetToolTip();
  // The findings come in text order, so their positions are counted in one pass.
  long characters = 0;
  std::size_t counted = 0;
  const auto position = [&](std::size_t byte) {
    characters += characterPosition(std::string_view(value).substr(counted), byte - counted);
    counted = byte;
    return characters;
  };
  for (const KeyTextCheck::Finding& finding : findings) {
    const long begin = position(finding.begin);
    const long end = position(finding.end);
    text.SetStyle(begin, end, wxTextAttr(wxNullColour, markColour()));
    marks.push_back({begin, end, WxText::fromUtf8(finding.message)});
  }
  wxString message;
  if (!marks.empty()) {
    message = marks.front().message;
    if (findings.size() == mostMarks) {
      message += " (more marked)";
    } else if (findings.size() > 1) {
      message += wxString::Format(" (%zu more marked)", findings.size() - 1);
    }
  }
  setNote(*note, message);
}

std::string EditorText::textToStore() const {
  if (cut) return original;
  wxString value = text.GetValue();
  if (value == shown) return original;
  if (nulShown) value.Replace(wxString(nulSymbol), wxString(nul));
  return WxText::toUtf8(value);
}

void EditorText::onMotion(wxMouseEvent& event) {
  event.Skip();
  // The note tells only the first finding; the others are told where they are marked.
  long position = 0;
  const bool onText = text.HitTest(event.GetPosition(), &position) == wxTE_HT_ON_TEXT;
  const auto over = std::find_if(marks.begin(), marks.end(), [position](const Mark& mark) {
    return mark.begin <= position && position < mark.end;
  });
  const wxString tip = onText && over != marks.end() ? over->message : wxString();
  if (tip == text.GetToolTipText()) return;
  if (tip.empty()) {
    text.UnsetToolTip();
  } else {
    text.SetToolTip(tip);
  }
}

void EditorText::onText(wxCommandEvent& event) {
  event.Skip();
  // The toolkit offers no length limit for a multi-line box here, so a paste beyond it is cut
  // back; later, as the box is still inside its change. The box and the note outlive this.
  if (text.GetLastPosition() <= shownLimit) {
    if (!cut) checkText();
    return;
  }
  text.CallAfter([box = &text, cutNote = note] {
    const long last = box->GetLastPosition();
    if (last <= shownLimit) return;
    box->Remove(shownLimit, last);
    setNote(*cutNote, wxString::Format("Cut to its first %ld characters.", shownLimit));
  });
}
