#include "keys/KeyParser.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "keys/KeyTextScanner.h"
#include "keys/KeyboardLayout.h"

namespace {

// Key codes that the list reserves for mouse and special codes: a layout answer holding one
// of them cannot be written as a key tap.
bool isReservedCode(std::uint8_t code) {
  return KeyTextScanner::isMouseCode(code) || (code >= KeyCode::ctrlDown && code <= KeyCode::typeChar);
}

}  // namespace

KeyParser::KeyParser(const KeyTokens& tokenTable, KeyboardLayout& keyboardLayout)
    : tokens(tokenTable), layout(keyboardLayout) {}

void KeyParser::parseKeys(std::string_view text, KeyActions& list) const {
  list.clear();
  std::string token;
  KeyTextScanner scanner(text);
  while (const std::optional<KeyTextScanner::Piece> piece = scanner.next()) {
    switch (piece->kind) {
      case KeyTextScanner::Kind::lineBreak:
        pushLineBreak(list);
        break;
      case KeyTextScanner::Kind::character:
        pushChar(piece->character, list);
        break;
      case KeyTextScanner::Kind::token: {
        const KeyTextScanner::Reading reading =
            KeyTextScanner::readToken(tokens, text.substr(piece->begin, piece->end - piece->begin), token);
        if (reading.kind == KeyTextScanner::Reading::Kind::key) list.push_back(reading.code);
        if (reading.kind == KeyTextScanner::Reading::Kind::mouse) {
          list.push_back(reading.code);
          pushNumber(reading.x, list);
          pushNumber(reading.y, list);
        }
        break;
      }
      // Dropped with everything after it.
      case KeyTextScanner::Kind::unterminated:
        break;
    }
  }
}

void KeyParser::pushChar(char32_t c, KeyActions& list) const {
  switch (c) {
    case 8: list.push_back(KeyCode::back); return;
    case 9: list.push_back(KeyCode::tab); return;
    case 27: list.push_back(KeyCode::escape); return;
    case 2:
    case 3:
    case '\r':
    case '\n': pushLineBreak(list); return;
    default: break;
  }
  // Other control characters name no key and type nothing.
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return;
  const auto scan = layout.keyScan(c);
  if (scan && (scan->mods & (KeyMod::ctrl | KeyMod::alt)) == 0 && !isReservedCode(scan->keyCode)) {
    if ((scan->mods & KeyMod::shift) != 0) {
      list.insert(list.end(), {KeyCode::shiftDown, scan->keyCode, KeyCode::shiftUp});
    } else {
      list.push_back(scan->keyCode);
    }
    return;
  }
  // Needs AltGr, or no key of the layout types it: the injector types the character itself.
  list.push_back(KeyCode::typeChar);
  for (unsigned shiftBits = 0; shiftBits < 32; shiftBits += 8) {
    list.push_back(static_cast<std::uint8_t>((c >> shiftBits) & 0xFFU));
  }
}

void KeyParser::pushLineBreak(KeyActions& list) const { list.push_back(KeyCode::returnKey); }

void KeyParser::pushNumber(std::int32_t n, KeyActions& list) {
  list.push_back(n < 0 ? std::uint8_t{1} : std::uint8_t{0});
  // The magnitude of the most negative number is 2^31, which fits the unsigned word.
  const std::uint32_t magnitude = n < 0 ? 0U - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
  for (unsigned shiftBits = 0; shiftBits < 32; shiftBits += 8) {
    list.push_back(static_cast<std::uint8_t>((magnitude >> shiftBits) & 0xFFU));
  }
}

std::int32_t KeyParser::popNumber(const KeyActions& list, std::size_t& pos) {
  const auto at = [&list](std::size_t i) -> std::uint32_t { return i < list.size() ? list[i] : 0U; };
  const bool negative = at(pos + 1) != 0;
  std::uint32_t magnitude = 0;
  for (unsigned i = 0; i < 4; ++i) magnitude |= at(pos + 2 + i) << (8 * i);
  pos += 5;
  const std::int64_t value = negative ? -std::int64_t{magnitude} : std::int64_t{magnitude};
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                           std::numeric_limits<std::int32_t>::max()));
}
