#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

#include "keys/Utf8.h"

// Texts are UTF-8 in the records. The editors show a byte that is no UTF-8 as its Latin-1
// character, as the player reads it, rather than dropping the whole text.
namespace EditorText {

[[nodiscard]] inline wxString toEditor(std::string_view text) {
  wxString shown = wxString::FromUTF8(text.data(), text.size());
  if (!shown.empty() || text.empty()) return shown;
  for (std::size_t pos = 0; pos < text.size();) shown += wxUniChar(static_cast<wxUint32>(decodeUtf8(text, pos)));
  return shown;
}

[[nodiscard]] inline std::string fromEditor(const wxString& shown) {
  const wxScopedCharBuffer bytes = shown.utf8_str();
  return {bytes.data(), bytes.length()};
}

}  // namespace EditorText
