#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "keys/StopChord.h"

// Turns the keys and mouse buttons a user presses into one piece of the key-token language, in
// the order they came: a key typing a character as that character (its Shift, AltGr and Caps
// Lock level shows in it), named keys as their tokens, Ctrl, Alt and Shift held around other
// keys as their DOWN and UP tokens, a button let go where it was pressed as a click, otherwise
// as its DOWN and UP tokens. A key the language cannot write is named in a skipped token. The
// stop chord ends the recording and is left out, its modifiers too. A value type; one thread at
// a time.
class RecordedText {
 public:
  struct Key {
    bool pressed = true;
    // What the key gives at the level in force, and at its first level (names the modifier keys
    // and the stop chord's key whatever is held).
    std::uint32_t keysym = 0;
    std::uint32_t baseKeysym = 0;
    // The character the key types (a dead key's composed one included); 0 for none.
    char32_t character = 0;
    // Whether Shift took part in choosing the level, so that the character shows it.
    bool shiftShown = false;
  };
  struct Button {
    bool pressed = true;
    // 1 left, 2 middle, 3 right; the wheel and others have no token.
    int button = 1;
    // The pointer's root coordinates.
    std::int32_t x = 0;
    std::int32_t y = 0;
  };

  explicit RecordedText(const StopChord& stopChord);

  // Takes one key press or release; the stop chord's press finishes the recording, and nothing
  // is taken after it.
  void key(const Key& key);
  void button(const Button& button);

  [[nodiscard]] bool finished() const { return done; }

  // Leaves out the last button press, and its click when that was the last thing written: the
  // click that ended the recording on a window of the recorder's own.
  void dropLastClick();

  // The text recorded so far, as it would be typed now: a button still held is clicked, and the
  // modifiers still held are let go at its end, so that playing it leaves nothing down.
  [[nodiscard]] std::string text() const;

 private:
  // A held modifier is written only when a key or button comes while it is down; Shift stays
  // unwritten while only characters show it.
  enum class Held { up, pending, shownInCharacters, written };
  struct ModifierState {
    Held held = Held::up;
    bool right = false;
  };

  void flushModifiers(bool shiftShown);
  void flushButton();
  void write(const std::string& piece);
  [[nodiscard]] bool chordHeld() const;

  StopChord chord;
  std::string out;
  // A "<" written last: it stays a plain "<" only before another "<" or at the end.
  bool lessPending = false;
  // Ctrl, Alt, Shift and Super.
  std::array<ModifierState, 4> modifiers{};
  std::optional<Button> pressedButton;
  // Where the last click begins in out, while nothing has been written after it.
  std::optional<std::size_t> lastClick;
  bool done = false;
};
