#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class KeyTokens;

// Finds what a text of the key-token language will not type as written: translation skips an
// unknown or unterminated token without a word and reads malformed mouse numbers as 0, so the
// editors warn as the user types. The translation itself is left as it is. Any thread, as
// long as the token table is not being built.
class KeyTextCheck {
 public:
  enum class Kind {
    // "<ENTR>": skipped; the one key name an edit away is offered.
    unknownToken,
    // "<F13" with no ">": it and the rest of the text are skipped.
    unterminatedToken,
    // "<MOUSE-LEFT-CLICK 100,200>": its point reads other than two whole numbers as written.
    malformedMouse,
    // "<MOUSE-LEFT-CLICK 5000 20>": its point lies outside the screen.
    mouseOffScreen,
    // "<NO-TOKEN XF86AudioMute>": a recorded key the language has no token for; skipped.
    noToken,
    // "é" where the keyboard layout has no key for it: pasted instead; adjacent ones together.
    pasted,
    // "中" where the layout has no key for it and the desktop takes nothing to paste: skipped.
    skipped,
  };
  // How a character of a text reaches the window typing goes to.
  enum class Delivery : std::uint8_t { typed, pasted, skipped };
  // Tells a character's delivery on the desktop in force; an empty one: every character is typed.
  using DeliveryOf = std::function<Delivery(char32_t)>;
  // How a recording names a key it cannot write, followed by the key's name and ">".
  static constexpr std::string_view noTokenPrefix = "<NO-TOKEN ";
  struct Finding {
    Kind kind;
    // Byte offsets in the text; end is one past the last byte.
    std::size_t begin;
    std::size_t end;
    // One short line for the user, such as "<ENTR>" is not a key name: it will be skipped; did
    // you mean <ENTER>?
    std::string message;
  };
  struct Screen {
    std::int32_t width;
    std::int32_t height;
  };

  explicit KeyTextCheck(const KeyTokens& tokens);

  // The findings in text order, at most limit of them; without a screen, points are not
  // checked against it. Time grows with the text's length alone.
  [[nodiscard]] std::vector<Finding> check(std::string_view text, std::optional<Screen> screen, std::size_t limit,
                                           const DeliveryOf& delivery = {}) const;

 private:
  const KeyTokens& tokens;
};
