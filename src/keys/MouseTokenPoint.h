#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class KeyTokens;

// Where a picked screen point goes in a text of the key-token language: into the X and Y of the
// mouse token the caret stands in (or just after), its kind and spelling kept, or, with the
// caret in no mouse token, as a new left click at the caret. Plain logic; any thread.
class MouseTokenPoint {
 public:
  // Replace the bytes [begin, end) of the text by replacement; the caret goes to caret, a byte
  // offset in the text as it is afterwards, just after the token.
  struct Edit {
    std::size_t begin;
    std::size_t end;
    std::string replacement;
    std::size_t caret;
    friend bool operator==(const Edit&, const Edit&) = default;
  };

  // caret is a byte offset into text.
  [[nodiscard]] static Edit place(const KeyTokens& tokens, std::string_view text, std::size_t caret, std::int32_t x,
                                  std::int32_t y);
};
