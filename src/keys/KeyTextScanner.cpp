#include "keys/KeyTextScanner.h"

#include <array>
#include <utility>

#include "keys/KeyCodes.h"
#include "keys/KeyTokens.h"
#include "text/Atoi.h"
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

// X and Y from the bytes after a mouse prefix.
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

KeyTextScanner::KeyTextScanner(std::string_view scanned) : text(scanned) {}

std::optional<KeyTextScanner::Piece> KeyTextScanner::next() {
  if (pos >= text.size()) return std::nullopt;
  const std::size_t begin = pos;
  const auto byte = static_cast<std::uint8_t>(text[pos]);
  if (isLineBreak(byte)) {
    const bool pair =
        pos + 1 < text.size() && ((byte == 2 && text[pos + 1] == 3) || (byte == '\r' && text[pos + 1] == '\n'));
    pos += pair ? 2 : 1;
    return Piece{Kind::lineBreak, begin, pos, 0};
  }
  if (byte != '<') {
    const char32_t c = decodeUtf8(text, pos);
    return Piece{Kind::character, begin, pos, c};
  }
  if (pos + 1 == text.size() || text[pos + 1] == '<') {
    ++pos;
    return Piece{Kind::character, begin, pos, U'<'};
  }
  const std::size_t close = text.find('>', pos);
  if (close == std::string_view::npos) {
    pos = text.size();
    return Piece{Kind::unterminated, begin, pos, 0};
  }
  pos = close + 1;
  return Piece{Kind::token, begin, pos, 0};
}

KeyTextScanner::Reading KeyTextScanner::readToken(const KeyTokens& tokens, std::string_view token,
                                                  std::string& upper) {
  upper.assign(token);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (const auto code = tokens.find(upper)) return {Reading::Kind::key, *code, 0, 0};
  for (const MousePrefix& prefix : mousePrefixes) {
    if (std::string_view(upper).starts_with(prefix.text)) {
      const auto [x, y] = readCoordinates(std::string_view(upper).substr(prefix.text.size()));
      return {Reading::Kind::mouse, prefix.code, x, y};
    }
  }
  return {Reading::Kind::unknown, 0, 0, 0};
}

std::size_t KeyTextScanner::mousePrefixLength(std::string_view upperToken) {
  for (const MousePrefix& prefix : mousePrefixes) {
    if (upperToken.starts_with(prefix.text)) return prefix.text.size();
  }
  return 0;
}

bool KeyTextScanner::isMouseCode(std::uint8_t code) {
  for (const MousePrefix& prefix : mousePrefixes) {
    if (prefix.code == code) return true;
  }
  return false;
}
