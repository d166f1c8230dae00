#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "input/x11/XKeymap.h"

struct _XDisplay;
union _XEvent;

// Holds the user's keyboards apart while the run types: an XInput 2 grab of every keyboard device
// attached to the core keyboard except the XTEST device that the run types with. The X server
// detaches a grabbed device from the core keyboard for the grab's length, so a key the user
// presses then reaches no window and leaves the core keyboard's modifiers as they are: the run's
// keys keep coming out unmodified, at full speed, and none is lost. The key comes to this
// connection instead (pressOf). Works on the connection the run types on, so that the server
// orders the grab, the run's keys and the ungrab as they were sent. UI thread only.
class UserKeyboardHold {
 public:
  // A key the user pressed on a held keyboard: its X keycode, and the modifier state of that
  // keyboard (which saw its own earlier presses, even those made before the hold).
  struct Press {
    std::uint8_t keycode = 0;
    unsigned modifiers = 0;
  };

  // Does nothing ever when the server lacks XInput 2.
  explicit UserKeyboardHold(_XDisplay* display);

  // Grabs the user's keyboards unless a key is down on the core keyboard that the run did not
  // press (ownKeys): its release would come here, and the core keyboard would keep it down for
  // good. Then nothing is held and the run types as it would without the hold. Returns once the
  // server has answered; whether the keyboards are held.
  bool take(const KeycodeSet& ownKeys);

  // Lets go of the keyboards, behind every request sent before on the connection.
  void letGo();

  [[nodiscard]] bool held() const { return !grabbed.empty(); }

  // The press an event of the connection reports from a held keyboard, if it is one.
  [[nodiscard]] std::optional<Press> pressOf(_XEvent& event);

 private:
  [[nodiscard]] std::vector<int> userKeyboards();

  _XDisplay* dpy;
  int opcode = -1;
  // The XTEST keyboard attached to the core keyboard: the run's own, never held.
  int ownDevice = -1;
  std::vector<int> grabbed;
};
