#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "input/InputBackend.h"
#include "keys/KeyCodes.h"
#include "keys/KeyTextCheck.h"

// The desktop's keyboard and mouse as a run uses them: typing, letting go of what typing left
// held, the keyboard layout texts are translated with, and the global stop key. UI thread only.
class RunInput {
 public:
  virtual ~RunInput() = default;

  // Makes ready what typing needs before a run starts (a desktop may ask the user's consent):
  // nothing when typing can go ahead, else why not, for the user. UI thread only.
  [[nodiscard]] virtual std::optional<std::string> prepareRun() { return std::nullopt; }
  // Types a key-action list into whatever window has the focus, from position from on, until
  // the list ends, the stop key is pressed or the clock passes until; returns where the list
  // goes on from, list.size() once it is done. A list starts at 0. UI thread only.
  virtual std::size_t playKeys(const KeyActions& list, std::size_t from,
                               std::chrono::steady_clock::time_point until) = 0;
  // Whether the user holds down a modifier key (Shift, Ctrl, Alt, AltGr, Super...) that typing
  // did not press: a text typed now would come out modified. UI thread only.
  [[nodiscard]] virtual bool userHoldsModifier() const = 0;
  // A text left before its end (stopped, or waiting while typing may not go on) gives back what
  // typing holds for a text's length. UI thread only.
  virtual void endText() {}
  // Releases every key and mouse button that typing left held. UI thread only.
  virtual void releaseHeldInput() = 0;
  // Brings the keyboard-layout lookup up to date with the keyboard. UI thread only.
  virtual void refreshKeyboardLayout() = 0;
  // Grabs the global stop key; pressed is then called, on another thread, each time the user
  // presses it, and may only post events. From the first press on, nothing more of the run's
  // typing reaches a window, until endStop. False when the desktop does not give the key
  // (another program holds it, or there is no X display). UI thread only.
  virtual bool grabStopKey(std::function<void()> pressed) = 0;
  // Lets typing reach the windows again after a press of the stop key: for the final commands,
  // once the user has let go of the key. UI thread only.
  virtual void endStop() = 0;
  // Gives the stop key back; pressed is not called after this returns. UI thread only.
  virtual void releaseStopKey() = 0;
  // lost is called, on another thread or during typing, when what typing holds would no longer
  // be let go of should this program end suddenly (its release guardian died and none could
  // start again); it may only post events. From then on nothing more of the run's typing reaches
  // a window, until the next run's stop key is grabbed. An empty function for none. UI thread
  // only.
  virtual void watchReleaseGuard(std::function<void()> lost) { static_cast<void>(lost); }
  // Whether the user still holds the stop key or one of its modifiers. UI thread only.
  [[nodiscard]] virtual bool stopKeyHeld() const = 0;
  // The stop key as the user reads it ("Ctrl+Alt+Shift+Escape"). UI thread only.
  [[nodiscard]] virtual std::string stopKeyName() const = 0;
  // The desktop service typing goes through. UI thread only.
  [[nodiscard]] virtual InputBackend::Used backend() const = 0;
  // The desktop service typing goes through, as the status bar shows it. UI thread only.
  [[nodiscard]] virtual std::string backendName() const = 0;
  // What the user must know about that service before the first run, if anything. UI thread only.
  [[nodiscard]] virtual std::optional<std::string> backendNotice() const = 0;
  // How a character of a text reaches the window through that service. UI thread only.
  [[nodiscard]] virtual KeyTextCheck::Delivery delivery(char32_t c) {
    static_cast<void>(c);
    return KeyTextCheck::Delivery::typed;
  }
};
