#include "keys/KeyParser.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "text/Atoi.h"
#include "keys/KeyTokens.h"
#include "keys/KeyboardLayout.h"
#include "text/Utf8.h"

namespace {

struct MousePrefix {
  std::string_view text;
  std::uint8_t code;
};

// Tried in this order; each ends with one blank.
constexpr std::array<MousePrefix, 9> mousePrefixes{{
    {"<MOUSE-LEFT-CLICK ", KeyCode::mouseLeftClick},
    {"<MOUSE-LEFT-DOWN ", KeyCode::mouseLeftDown},
    {"<MOUSE-LEFT-UP ", KeyCode::mouseLeftUp},
    {"<MOUSE-RIGHT-CLICK ", KeyCode::mouseRightClick},
    {"<MOUSE-RIGHT-DOWN ", KeyCode::mouseRightDown},
    {"<MOUSE-RIGHT-UP ", KeyCode::mouseRightUp},
    {"<MOUSE-MIDDLE-CLICK ", KeyCode::mouseMiddleClick},
    {"<MOUSE-MIDDLE-DOWN ", KeyCode::mouseMiddleDown},
    {"<MOUSE-MIDDLE-UP ", KeyCode::mouseMiddleUp},
}};

// Stored line breaks are the bytes 2 (CR) and 3 (LF); raw CR and LF count too.
bool isLineBreak(std::uint8_t b) { return b == 2 || b == 3 || b == '\r' || b == '\n'; }

// Key codes that the list reserves for mouse and special codes: a layout answer holding one
// of them cannot be written as a key tap.
bool isReservedCode(std::uint8_t code) {
  for (const MousePrefix& prefix : mousePrefixes) {
    if (prefix.code == code) return true;
  }
  return code >= KeyCode::ctrlDown && code <= KeyCode::typeChar;
}

// X and Y from the bytes after a mouse prefix: X is the number before the last blank (0 when
// there is none), Y the number after it.
std::pair<std::int32_t, std::int32_t> readCoordinates(std::string_view rest) {
  std::int32_t x = 0;
  std::size_t pieceStart = 0;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == ' ') {
      x = atoiSaturating(rest.substr(pieceStart, i - pieceStart));
      pieceStart = i;
    }
  }
  return {x, atoiSaturating(rest.substr(pieceStart))};
}

}  // namespace

KeyParser::KeyParser(const KeyTokens& tokenTable, KeyboardLayout& keyboardLayout)
    : tokens(tokenTable), layout(keyboardLayout) {}

void KeyParser::parseKeys(std::string_view text, KeyActions& list) const {
  list.clear();
  layout.sync();
  std::size_t pos = 0;
  std::string token;
  while (pos < text.size()) {
    const auto byte = static_cast<std::uint8_t>(text[pos]);
    if (isLineBreak(byte)) {
      pushLineBreak(list);
      const bool pair = pos + 1 < text.size() && ((byte == 2 && text[pos + 1] == 3) || (byte == '\r' && text[pos + 1] == '\n'));
      pos += pair ? 2 : 1;
      continue;
    }
    if (byte != '<') {
      pushChar(decodeUtf8(text, pos), list);
      continue;
    }
    if (pos + 1 == text.size() || text[pos + 1] == '<') {
      pushChar(U'<', list);
      ++pos;
      continue;
    }
    const std::size_t close = text.find('>', pos);
    if (close == std::string_view::npos) break;
    token.assign(text.substr(pos, close - pos + 1));
    for (char& c : token) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    pos = close + 1;
    if (const auto code = tokens.find(token)) {
      list.push_back(*code);
      continue;
    }
    for (const MousePrefix& prefix : mousePrefixes) {
      if (std::string_view(token).starts_with(prefix.text)) {
        const auto [x, y] = readCoordinates(std::string_view(token).substr(prefix.text.size()));
        list.push_back(prefix.code);
        pushNumber(x, list);
        pushNumber(y, list);
        break;
      }
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
