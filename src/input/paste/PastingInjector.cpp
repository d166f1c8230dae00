#include "input/paste/PastingInjector.h"

#include <algorithm>
#include <array>
#include <utility>

#include "keys/KeyCodes.h"
#include "text/Utf8.h"

namespace {

constexpr std::array modifierKeys{KeyCode::shift,  KeyCode::control,  KeyCode::menu,  KeyCode::lshift,
                                  KeyCode::rshift, KeyCode::lcontrol, KeyCode::rcontrol, KeyCode::lmenu,
                                  KeyCode::rmenu,  KeyCode::lwin,     KeyCode::rwin};

bool isModifier(std::uint8_t keyCode) {
  return std::find(modifierKeys.begin(), modifierKeys.end(), keyCode) != modifierKeys.end();
}

}  // namespace

PastingInjector::PastingInjector(Injector& typing, PasteBoard& clipboard, PasteKey key)
    : inner(typing), board(clipboard), pasteKey(key) {}

void PastingInjector::keyEvent(std::uint8_t keyCode, bool down) {
  uiThread.assertCurrent("PastingInjector::keyEvent");
  pastePending();
  if (isModifier(keyCode)) {
    std::erase(held, keyCode);
    if (down) held.push_back(keyCode);
  }
  inner.keyEvent(keyCode, down);
}

void PastingInjector::mouseEvent(MouseButton button, bool down, int x, int y) {
  uiThread.assertCurrent("PastingInjector::mouseEvent");
  pastePending();
  inner.mouseEvent(button, down, x, y);
}

ScreenSize PastingInjector::screenSize() {
  uiThread.assertCurrent("PastingInjector::screenSize");
  return inner.screenSize();
}

void PastingInjector::typeChar(char32_t c) {
  uiThread.assertCurrent("PastingInjector::typeChar");
  if (!inner.canType(c)) {
    pending += encodeUtf8(c);
    return;
  }
  pastePending();
  inner.typeChar(c);
}

bool PastingInjector::canType(char32_t c) const {
  uiThread.assertCurrent("PastingInjector::canType");
  return inner.canType(c) || board.available();
}

void PastingInjector::expectChars(std::u32string_view chars) {
  uiThread.assertCurrent("PastingInjector::expectChars");
  std::u32string typed;
  for (const char32_t c : chars) {
    if (inner.canType(c)) typed += c;
  }
  inner.expectChars(typed);
}

void PastingInjector::endText() {
  uiThread.assertCurrent("PastingInjector::endText");
  inner.endText();
}

void PastingInjector::flush() {
  uiThread.assertCurrent("PastingInjector::flush");
  pastePending();
  inner.flush();
}

void PastingInjector::pastePending() {
  if (pending.empty()) return;
  const std::string text = std::exchange(pending, {});
  if (!board.available() || !board.offer(text)) return;
  for (auto key = held.rbegin(); key != held.rend(); ++key) inner.keyEvent(*key, false);
  const auto modifiers = pasteKey.modifierKeys();
  for (const std::uint8_t modifier : modifiers) inner.keyEvent(modifier, true);
  // A letter goes by the character, which finds its key on the layout in force, as the window
  // reads the chord; a layout without it still has the key at its place.
  if (const auto letter = pasteKey.letter(); letter && inner.canType(*letter)) {
    inner.typeChar(*letter);
  } else {
    inner.keyEvent(pasteKey.keyCode(), true);
    inner.keyEvent(pasteKey.keyCode(), false);
  }
  for (auto modifier = modifiers.rbegin(); modifier != modifiers.rend(); ++modifier) inner.keyEvent(*modifier, false);
  for (const std::uint8_t key : held) inner.keyEvent(key, true);
  inner.flush();
  board.finishPaste();
}
