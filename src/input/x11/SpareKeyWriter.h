#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "keys/SpareKeyBindings.h"
#include "input/x11/XKeymap.h"

// Puts the bindings of spare keycodes on the keyboard of an X display: one XKB request over the
// whole range the keycodes span, so that clients read the keymap once per change rather than
// once per key. The keys between them are written back as they are, read under a server grab
// so that no other client's change comes in between. Each binding is one group of the two-level
// type, whose second level is Shift's whatever the keysyms' case, or of the given four-level
// type when it uses the upper levels; a keycode carrying nothing gets no keysym at all.
// Internal to the X platform layer; used by one thread at a time.
class SpareKeyWriter {
 public:
  explicit SpareKeyWriter(Display* display) : dpy(display) {}

  // Writes the keysyms the bindings give these keycodes; fourLevelType is the index of the
  // keymap's four-level key type, if the bindings use more than two levels.
  void write(const KeycodeSet& keycodes, const SpareKeyBindings& bindings,
             std::optional<unsigned char> fourLevelType) const;

 private:
  Display* dpy;
};
