#pragma once

#include <array>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <string>

#include "keys/Injector.h"
#include "keys/KeyCodes.h"
#include "tern/OwnerThread.h"

class StopSignal;

// Plays key-action lists as synthetic input, back to back and in list order, and remembers
// which keys and buttons it left held so that they can all be released at the end of a run.
// UI thread only.
class Player {
 public:
  // A stop, when given, must outlive the player.
  explicit Player(Injector& injector, const StopSignal* stop = nullptr);

  using Clock = std::chrono::steady_clock;

  // Plays the whole list, front to back, then flushes the injector. A raised stop ends the
  // list between two actions, the rest of it left out, and keeps any list from starting.
  void playKeys(const KeyActions& list);
  // Plays the list from position from on, as playKeys does, until it ends, the stop is raised or
  // the clock passes until, then flushes the injector, and ends the text once it is done. Returns where the list goes on from:
  // list.size() once it is done or stopped. A list is started at 0 and each call goes on from
  // where the one before left it.
  std::size_t playSome(const KeyActions& list, std::size_t from, Clock::time_point until);

  // Press, then release, one key.
  void tapKey(std::uint8_t keyCode);

  // Releases every key and button that a played list left held down.
  void releaseAll();

  [[nodiscard]] bool holdsAnything() const;

 private:
  struct HeldButton {
    bool down = false;
    int x = 0;
    int y = 0;
  };

  void key(std::uint8_t keyCode, bool down);
  void mouse(MouseButton button, bool down, int x, int y);
  void playMouse(std::uint8_t code, int x, int y);
  // The characters of the list's type-character codes, in order.
  [[nodiscard]] static std::u32string typedChars(const KeyActions& list);

  Injector& injector;
  const StopSignal* const stop;
  const Tern::OwnerThread uiThread;
  std::bitset<256> heldKeys;
  std::array<HeldButton, 3> heldButtons{};
};
