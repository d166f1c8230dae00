#pragma once

#include <cstdint>
#include <string_view>

#include "keys/KeyCodes.h"

class KeyTokens;
class KeyboardLayout;

// Translates a text of the key-token language (stored form: line breaks kept as the bytes
// 2 and 3) into a key-action list, with the layout as its last sync left it: the caller syncs
// once before a batch of texts, since each sync asks the display server. UI thread only (the
// layout lookup is not shared).
class KeyParser {
 public:
  KeyParser(const KeyTokens& tokens, KeyboardLayout& layout);

  // Empties the list, then appends the translation of the whole text.
  void parseKeys(std::string_view text, KeyActions& list) const;

  // Appends the codes that type one plain character.
  void pushChar(char32_t c, KeyActions& list) const;

  // Appends a coordinate: a sign byte (1 when negative), then the magnitude in four bytes,
  // least significant first.
  static void pushNumber(std::int32_t n, KeyActions& list);

  // Reads the coordinate after position pos (pos is on a mouse code or on the last byte of an
  // earlier coordinate) and leaves pos on its last byte. Bytes past the end read as 0.
  static std::int32_t popNumber(const KeyActions& list, std::size_t& pos);

 private:
  void pushLineBreak(KeyActions& list) const;

  const KeyTokens& tokens;
  KeyboardLayout& layout;
};
