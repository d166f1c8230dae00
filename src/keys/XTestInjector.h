#pragma once

#include <memory>
#include <string>

#include "keys/Injector.h"

class HeldInputReport;
class KeyGrabGuard;
class XDisplay;
class XKeymap;

// Injects input with the XTEST extension on a connection of its own. Key codes map to keys by
// keysym for named keys and by XKB key name (US position) for letters, digits and punctuation;
// a keysym the keymap lacks is bound to a spare keycode while a target may still be reading it.
// Bindings past that grace are undone by the next call, the rest by destruction. No call waits
// for a binding to expire: with every spare keycode within its grace, the least recently used
// binding is taken over at once. Every so many events it waits for the server to catch up, so
// that little of a text is ever in flight. UI thread only.
class XTestInjector : public Injector {
 public:
  // Throws XError when the display cannot be opened or lacks XTEST or XKB.
  explicit XTestInjector(const std::string& displayName = {});
  ~XTestInjector() override;

  void keyEvent(std::uint8_t keyCode, bool down) override;
  void mouseEvent(MouseButton button, bool down, int x, int y) override;
  [[nodiscard]] ScreenSize screenSize() override;
  void typeChar(char32_t c) override;
  void flush() override;

  // Whether a modifier key (lock keys aside) is down that this injector did not press: the
  // user's, or another program's. UI thread only.
  [[nodiscard]] bool othersHoldModifier();

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
