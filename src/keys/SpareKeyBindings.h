#pragma once

#include <array>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>

// Which keysyms the spare keycodes (those the layout leaves without keysyms) carry for the time
// being, up to four per keycode (plain, Shift, level 3, Shift and level 3), and which keycodes
// may change now. A
// client that has not yet translated a key event when the key's keysyms change applies the new
// ones to it, so a keycode stays as it is from its use until `settle` after the server has been
// seen to pass that use on; a held key stays as it is whatever its age. Bindings stay until the
// caller gives them back: changing the keymap often makes desktops reload it over and over.
// Decisions only: the caller changes the keymap, and passes the time in.
class SpareKeyBindings {
 public:
  using Clock = std::chrono::steady_clock;
  using Keycode = std::uint8_t;
  using Keycodes = std::bitset<256>;
  using Keysym = std::uint32_t;

  // Keysyms per keycode at most: bit 0 of a level is Shift, bit 1 the level-3 modifier.
  static constexpr std::size_t maxLevels = 4;
  using Symbols = std::array<Keysym, maxLevels>;

  // Where a keysym is bound: its keycode, and the level (0 to 3).
  struct Place {
    Keycode keycode = 0;
    std::uint8_t level = 0;
    friend bool operator==(const Place&, const Place&) = default;
  };

  explicit SpareKeyBindings(Clock::duration settle);

  // How many levels the keyboard lets a binding use: 2 (Shift), or 4 where it has a level-3
  // modifier key and a four-level key type; 2 until told. Bindings above drop out.
  void setLevels(std::size_t count);
  [[nodiscard]] std::size_t levelCount() const { return levels; }

  // The keycodes the layout leaves free, as last read; those bound stay in the pool.
  void setSpare(const Keycodes& spare);
  [[nodiscard]] const Keycodes& spare() const { return spareCodes; }
  [[nodiscard]] const Keycodes& bound() const { return boundCodes; }
  // The keysyms a keycode carries, level by level (0 for none).
  [[nodiscard]] const Symbols& symbolsOf(Keycode keycode) const { return slots[keycode].symbols; }
  [[nodiscard]] std::optional<Place> find(Keysym keysym) const;

  // Binds the keysyms about to be typed, in typing order (repeats allowed), as far as keycodes
  // free to change allow: the distinct keysyms of the longest start of `upcoming` that the pool
  // can hold at once stay where they are bound already, and the others take levels of keycodes
  // free to change that carry none of them, lowest keycodes first. Returns the keycodes whose
  // keysyms changed, for the caller to write all at once.
  [[nodiscard]] Keycodes bindAhead(std::span<const Keysym> upcoming, Clock::time_point now);

  // Binds a keysym to every level of one keycode free to change, one carrying nothing if there is
  // one, so that it types whatever the Shift state (a named key such as F13); its keycode, or
  // nothing when none is free.
  [[nodiscard]] std::optional<Keycode> bindWhole(Keysym keysym, Clock::time_point now);

  // A key event of the keycode is sent; ignored for keycodes not bound.
  void use(Keycode keycode);

  // The server has passed on every key event sent so far (the caller has waited for its answer).
  void confirm(Clock::time_point now);

  // When every keycode used may change again: Clock::time_point::max() while a use is not
  // confirmed, a past time when none is waiting.
  [[nodiscard]] Clock::time_point settledAt() const;

  // A held key's keysyms stay whatever its age.
  void setHeld(Keycode keycode, bool held);

  // Drops a binding, as when someone else has changed the key or the caller gave it back.
  void forget(Keycode keycode);

 private:
  struct Slot {
    Symbols symbols{};
    // When the server was last seen to have passed on its uses.
    Clock::time_point confirmedAt{};
  };

  [[nodiscard]] bool mayChange(std::size_t keycode, Clock::time_point now) const;
  void unbindLevel(Keycode keycode, std::uint8_t level);
  void bindLevel(Keycode keycode, std::uint8_t level, Keysym keysym);

  Clock::duration settle;
  std::size_t levels = 2;
  Keycodes spareCodes;
  Keycodes boundCodes;
  Keycodes heldCodes;
  // Used since the last confirm.
  Keycodes unconfirmedCodes;
  std::array<Slot, 256> slots{};
  std::unordered_map<Keysym, Place> placeOf;
};
