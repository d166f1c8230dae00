#pragma once

#include <memory>
#include <string>

#include "keys/KeyboardLayout.h"

class XDisplay;
class XKeymap;

// The live keyboard layout of an X display, read with XKB on a connection of its own and read
// again whenever the keyboard mapping changes. Answers with keys of the main typing block at
// the levels of no modifier, Shift, AltGr (ctrl | alt) and Shift+AltGr, in the current group;
// key codes are the virtual-key numbers of the keys' US positions, which XTestInjector maps back
// to the same physical keys. UI thread only.
class XkbLayout : public KeyboardLayout {
 public:
  // Throws XError when the display cannot be opened or has no XKB.
  explicit XkbLayout(const std::string& displayName = {});
  ~XkbLayout() override;

  // Reads only what the server has sent already: no round trip unless the keyboard changed.
  void sync() override;
  // Counts the keymap changes that touch the layout's keys, the injector's writes of spare keys
  // among them (one request spans the keys in between): a text is then translated again, to
  // the same list.
  [[nodiscard]] std::uint64_t generation() const override { return changes; }
  [[nodiscard]] std::optional<KeyScan> keyScan(char32_t c) const override;

 private:
  std::unique_ptr<XDisplay> display;
  std::unique_ptr<XKeymap> keymap;
  std::uint64_t changes = 0;
};
