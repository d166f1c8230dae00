#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class KeyTokens;

// Walks a text of the key-token language piece by piece, as translation reads it: line breaks,
// plain characters, tokens in angle brackets and an unterminated token, which ends the walk.
// Translation and the check of a text both walk with it, so that they never disagree on where
// a token begins and ends.
class KeyTextScanner {
 public:
  enum class Kind {
    // The bytes 2 or 3, or CR or LF; a 2 3 or CR LF pair is one line break.
    lineBreak,
    // One UTF-8 character, a "<" at the end of the text or before another "<" included.
    character,
    // From "<" up to and including the first ">".
    token,
    // A "<" with no ">" after it: it and everything after it.
    unterminated,
  };
  struct Piece {
    Kind kind;
    // Byte offsets in the text; end is one past the last byte.
    std::size_t begin;
    std::size_t end;
    // The character of a character piece.
    char32_t character;
  };

  // How a token reads.
  struct Reading {
    enum class Kind { key, mouse, unknown } kind;
    std::uint8_t code;
    // A mouse token's point: X is the number before the last blank (0 when there is none), Y
    // the number after it, each read as atoi reads.
    std::int32_t x;
    std::int32_t y;
  };

  explicit KeyTextScanner(std::string_view text);

  // The next piece; nothing after the last one and after an unterminated token.
  std::optional<Piece> next();

  // Reads a token (brackets included) in any case; upper is scratch room for its upper-case form.
  [[nodiscard]] static Reading readToken(const KeyTokens& tokens, std::string_view token, std::string& upper);
  // The length of the mouse prefix ("<MOUSE-LEFT-CLICK ", blank included) an upper-case token
  // begins with; 0 for none.
  [[nodiscard]] static std::size_t mousePrefixLength(std::string_view upperToken);
  // One of the nine mouse codes.
  [[nodiscard]] static bool isMouseCode(std::uint8_t code);

 private:
  std::string_view text;
  std::size_t pos = 0;
};
