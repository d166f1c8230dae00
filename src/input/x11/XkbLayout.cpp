#include "input/x11/XkbLayout.h"

#include <array>

#include "input/x11/XDisplay.h"
#include "input/x11/XKeymap.h"

namespace {

// Key-scan modifiers per stroke combination: none, Shift, AltGr, Shift+AltGr.
constexpr std::array<std::uint8_t, 4> scanMods{
    0,
    KeyMod::shift,
    KeyMod::ctrl | KeyMod::alt,
    KeyMod::shift | KeyMod::ctrl | KeyMod::alt,
};

}  // namespace

XkbLayout::XkbLayout(const std::string& displayName)
    : display(std::make_unique<XDisplay>(displayName)), keymap(std::make_unique<XKeymap>(display->get())) {}

XkbLayout::~XkbLayout() = default;

void XkbLayout::sync() {
  Display* dpy = display->get();
  const KeycodeSet relevant = keymap->layoutKeys();
  while (XEventsQueued(dpy, QueuedAfterReading) > 0) {
    XEvent event{};
    XNextEvent(dpy, &event);
    keymap->handle(event, relevant);
  }
  if (keymap->pending()) ++changes;
  keymap->update({});
}

std::optional<KeyScan> XkbLayout::keyScan(char32_t c) const {
  const XKeymap::Stroke* stroke = keymap->strokeFor(c);
  if (stroke == nullptr || stroke->vk == 0 || stroke->mods >= scanMods.size()) {
    return std::nullopt;
  }
  return KeyScan{stroke->vk, scanMods[stroke->mods]};
}
