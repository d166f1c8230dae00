#pragma once

#include <memory>
#include <string>

#include "keys/Injector.h"

class HeldInputReport;
class KeyGrabGuard;
class XDisplay;
class XKeymap;

// Injects input with the XTEST extension on a connection of its own. Key codes map to keys by
// keysym for named keys and by XKB key name (US position) for letters, digits and punctuation.
// A keysym the keymap lacks is bound to a spare keycode (four per keycode, reached with Shift and
// the level-3 key, where the keymap has a four-level key type; else two), together with those of
// the characters the list types after it, in one keymap change. A keycode is never bound anew
// while a client may still be translating key events typed with it: when the characters ahead
// need more keycodes than are free, the typing waits (settleTime at most) until the keys typed
// so far have settled, then binds the next chunk. Bindings stay until given back or until
// destruction. Every so many events it waits for the server to catch up, so that little of a
// text is ever in flight. From the first event of a batch to its flush the user's keyboards are
// held aside (UserKeyboardHold), so that the user's keys neither modify nor break into what it
// types; a key the user presses meanwhile goes to the grab guard. UI thread only.
class XTestInjector : public Injector {
 public:
  // Throws XError when the display cannot be opened or lacks XTEST or XKB.
  explicit XTestInjector(const std::string& displayName = {});
  ~XTestInjector() override;

  void keyEvent(std::uint8_t keyCode, bool down) override;
  void mouseEvent(MouseButton button, bool down, int x, int y) override;
  [[nodiscard]] ScreenSize screenSize() override;
  void typeChar(char32_t c) override;
  void expectChars(std::u32string_view chars) override;
  void flush() override;
  void endText() override;

  // Whether a modifier key (lock keys aside) is down that this injector did not press: the
  // user's, or another program's. UI thread only.
  [[nodiscard]] bool othersHoldModifier();

  // Waits until the keys typed with spare keycodes have settled and takes the keycodes back, as
  // at the end of a run. UI thread only.
  void giveBackSpareKeys();

  // A grab that the keys pressed from now on must pass by (nullptr for none); it must stay
  // alive while it is set. UI thread only.
  void setGrabGuard(KeyGrabGuard* guard);

  // Where to tell what may be held pressed from now on (nullptr for nowhere); it must stay alive
  // while it is set. UI thread only.
  void setHeldInputReport(HeldInputReport* report);

 private:
  struct State;
  std::unique_ptr<State> state;
};
