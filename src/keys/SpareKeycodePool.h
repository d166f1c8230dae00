#pragma once

#include <array>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <optional>
#include <unordered_map>

// Which keysym each spare keycode (one the layout leaves without keysyms) carries for the time
// being, and when it may carry another. A binding stays for a grace period after its last use
// has gone out, because a target may look the key up only after it has read a later keymap
// change. A binding whose key is held is never taken back; one whose use has not gone out yet
// does not expire.
// Decisions only: the caller changes the keymap, and passes the time in.
class SpareKeycodePool {
 public:
  using Clock = std::chrono::steady_clock;
  using Keycode = std::uint8_t;
  using Keycodes = std::bitset<256>;
  using Keysym = std::uint32_t;

  // The answer to a request for a keycode typing a keysym.
  struct Grant {
    enum class Kind : std::uint8_t {
      bound,     // the keycode carries the keysym already
      fresh,     // a spare keycode carrying nothing: the caller puts the keysym on it
      replaced,  // another keysym's binding: the caller puts this keysym on it instead
      none,      // nothing is free before readyAt; keycode is the binding that frees first
    };
    Kind kind = Kind::none;
    // 0 with Kind::none when every binding is held.
    Keycode keycode = 0;
    // With Kind::none: the earliest time the keycode frees, counting a use not gone out yet as
    // going out now.
    Clock::time_point readyAt{};
  };

  explicit SpareKeycodePool(Clock::duration grace);

  // The keycodes the layout leaves free, as last read; those bound stay in the pool.
  void setSpare(const Keycodes& spare);
  [[nodiscard]] const Keycodes& spare() const { return spareCodes; }
  [[nodiscard]] const Keycodes& bound() const { return boundCodes; }
  [[nodiscard]] Keysym keysymOf(Keycode keycode) const { return slots[keycode].keysym; }
  [[nodiscard]] std::optional<Keycode> find(Keysym keysym) const;

  // A keycode for the keysym, in this order: the one carrying it already; the lowest spare one
  // carrying nothing; the least recently used binding past its grace. Any keycode granted counts
  // as used; with Kind::none nothing changes.
  [[nodiscard]] Grant acquire(Keysym keysym, Clock::time_point now);

  // Puts the keysym on a keycode of the pool in place of whatever it carried, grace or not, and
  // counts it as used; a keysym bound already keeps its keycode, and a held key stays as it is
  // (Kind::none).
  [[nodiscard]] Grant takeOver(Keycode keycode, Keysym keysym);

  // A use of the key that has not gone out yet; ignored for keycodes not bound.
  void use(Keycode keycode);

  // Every use so far went out at `now`: the grace of those bindings starts again.
  void sent(Clock::time_point now);

  // A held key's binding stays whatever its age.
  void setHeld(Keycode keycode, bool held);

  // Removes the bindings past their grace and returns their keycodes, for the caller to undo.
  [[nodiscard]] Keycodes expire(Clock::time_point now);

  // Drops a binding without expiry, as when someone else has changed the key.
  void forget(Keycode keycode);

 private:
  struct Slot {
    Keysym keysym = 0;
    Clock::time_point lastSent{};
    // Order of the last use among all uses, for least-recently-used choices.
    std::uint64_t lastUse = 0;
  };

  void bindSlot(Keycode keycode, Keysym keysym);
  [[nodiscard]] bool reclaimable(std::size_t keycode) const;
  [[nodiscard]] std::optional<Keycode> leastRecentlyUsed(Clock::time_point now, bool pastGraceOnly) const;

  Clock::duration grace;
  Keycodes spareCodes;
  Keycodes boundCodes;
  Keycodes heldCodes;
  Keycodes unsentCodes;
  std::array<Slot, 256> slots{};
  std::unordered_map<Keysym, Keycode> keycodeOf;
  std::uint64_t uses = 0;
  // No binding expires before this, so that most calls need not scan the pool.
  Clock::time_point nextExpiry = Clock::time_point::max();
};
