#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

#include "text/Utf8.h"

// Records keep texts and names as UTF-8 bytes; the toolkit's controls hold wxStrings. A byte
// that starts no UTF-8 sequence is shown as its Latin-1 character, as the player reads it,
// rather than losing the whole text. UI thread only (wxString is not shared across threads).
namespace WxText {

[[nodiscard]] inline wxString fromUtf8(std::string_view text) {
  wxString shown = wxString::FromUTF8(text.data(), text.size());
  if (!shown.empty() || text.empty()) return shown;
  for (std::size_t pos = 0; pos < text.size();) shown += wxUniChar(static_cast<wxUint32>(decodeUtf8(text, pos)));
  return shown;
}

[[nodiscard]] inline std::string toUtf8(const wxString& shown) {
  const wxScopedCharBuffer bytes = shown.utf8_str();
  return {bytes.data(), bytes.length()};
}

}  // namespace WxText
