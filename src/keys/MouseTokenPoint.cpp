#include "keys/MouseTokenPoint.h"

#include <optional>

#include "keys/KeyTextScanner.h"

MouseTokenPoint::Edit MouseTokenPoint::place(const KeyTokens& tokens, std::string_view text, std::size_t caret,
                                             std::int32_t x, std::int32_t y) {
  const std::string point = std::to_string(x) + " " + std::to_string(y);
  KeyTextScanner scanner(text);
  std::string upper;
  std::size_t at = caret;
  for (auto piece = scanner.next(); piece && piece->begin < caret; piece = scanner.next()) {
    if (piece->kind != KeyTextScanner::Kind::token || caret > piece->end) continue;
    const std::string_view written = text.substr(piece->begin, piece->end - piece->begin);
    if (KeyTextScanner::readToken(tokens, written, upper).kind != KeyTextScanner::Reading::Kind::mouse) {
      // A click put inside another token would break both.
      at = piece->end;
      continue;
    }
    // Everything between the prefix and the closing ">" is the point.
    const std::size_t numbers = piece->begin + KeyTextScanner::mousePrefixLength(upper);
    return {numbers, piece->end - 1, point, numbers + point.size() + 1};
  }
  const std::string click = "<MOUSE-LEFT-CLICK " + point + ">";
  return {at, at, click, at + click.size()};
}
