#include "keys/Player.h"

#include <algorithm>

#include "keys/KeyParser.h"
#include "keys/StopSignal.h"

namespace {

struct MouseAction {
  MouseButton button;
  bool press;
  bool release;
};

MouseAction mouseAction(std::uint8_t code) {
  switch (code) {
    case KeyCode::mouseLeftClick: return {MouseButton::left, true, true};
    case KeyCode::mouseLeftDown: return {MouseButton::left, true, false};
    case KeyCode::mouseLeftUp: return {MouseButton::left, false, true};
    case KeyCode::mouseRightClick: return {MouseButton::right, true, true};
    case KeyCode::mouseRightDown: return {MouseButton::right, true, false};
    case KeyCode::mouseRightUp: return {MouseButton::right, false, true};
    case KeyCode::mouseMiddleClick: return {MouseButton::middle, true, true};
    case KeyCode::mouseMiddleDown: return {MouseButton::middle, true, false};
    default: return {MouseButton::middle, false, true};
  }
}

bool isMouseCode(std::uint8_t code) {
  switch (code) {
    case KeyCode::mouseLeftClick:
    case KeyCode::mouseLeftDown:
    case KeyCode::mouseLeftUp:
    case KeyCode::mouseRightClick:
    case KeyCode::mouseRightDown:
    case KeyCode::mouseRightUp:
    case KeyCode::mouseMiddleClick:
    case KeyCode::mouseMiddleDown:
    case KeyCode::mouseMiddleUp: return true;
    default: return false;
  }
}

// The code point written after the type-character code at pos; the caller checks it is whole.
char32_t codePointAfter(const KeyActions& list, std::size_t pos) {
  char32_t c = 0;
  for (unsigned i = 0; i < KeyCode::codePointBytes; ++i) c |= char32_t{list[pos + 1 + i]} << (8 * i);
  return c;
}

}  // namespace

Player::Player(Injector& target, const StopSignal* stopSignal) : injector(target), stop(stopSignal) {}

void Player::playKeys(const KeyActions& list) {
  uiThread.assertCurrent("Player::playKeys");
  playSome(list, 0, Clock::time_point::max());
}

std::size_t Player::playSome(const KeyActions& list, std::size_t from, Clock::time_point until) {
  uiThread.assertCurrent("Player::playSome");
  if (from >= list.size()) return list.size();
  if (from == 0) {
    if (const std::u32string chars = typedChars(list); !chars.empty()) injector.expectChars(chars);
  }
  std::size_t pos = from;
  for (; pos < list.size(); ++pos) {
    // Whatever is sent after the user's stop lands in the user's window with the chord's
    // modifiers down.
    if (stop != nullptr && stop->raised()) {
      pos = list.size();
      break;
    }
    if (pos > from && Clock::now() >= until) break;
    const std::uint8_t code = list[pos];
    switch (code) {
      case KeyCode::ctrlDown: key(KeyCode::control, true); break;
      case KeyCode::ctrlUp: key(KeyCode::control, false); break;
      case KeyCode::altDown: key(KeyCode::menu, true); break;
      case KeyCode::altUp: key(KeyCode::menu, false); break;
      case KeyCode::shiftDown: key(KeyCode::shift, true); break;
      case KeyCode::shiftUp: key(KeyCode::shift, false); break;
      case KeyCode::typeChar: {
        if (pos + KeyCode::codePointBytes >= list.size()) {
          pos = list.size() - 1;
          break;
        }
        const char32_t c = codePointAfter(list, pos);
        pos += KeyCode::codePointBytes;
        injector.typeChar(c);
        break;
      }
      default:
        if (isMouseCode(code)) {
          const std::int32_t x = KeyParser::popNumber(list, pos);
          const std::int32_t y = KeyParser::popNumber(list, pos);
          playMouse(code, x, y);
        } else {
          tapKey(code);
        }
    }
  }
  injector.flush();
  if (pos >= list.size()) injector.endText();
  return std::min(pos, list.size());
}

void Player::tapKey(std::uint8_t keyCode) {
  uiThread.assertCurrent("Player::tapKey");
  key(keyCode, true);
  key(keyCode, false);
}

void Player::releaseAll() {
  uiThread.assertCurrent("Player::releaseAll");
  if (!holdsAnything()) return;
  for (std::size_t b = 0; b < heldButtons.size(); ++b) {
    if (heldButtons[b].down) mouse(static_cast<MouseButton>(b), false, heldButtons[b].x, heldButtons[b].y);
  }
  for (std::size_t k = 0; k < heldKeys.size(); ++k) {
    if (heldKeys.test(k)) key(static_cast<std::uint8_t>(k), false);
  }
  injector.flush();
  injector.endText();
}

std::u32string Player::typedChars(const KeyActions& list) {
  std::u32string chars;
  for (std::size_t pos = 0; pos < list.size(); ++pos) {
    if (isMouseCode(list[pos])) {
      pos += KeyCode::coordinateBytes;
    } else if (list[pos] == KeyCode::typeChar && pos + KeyCode::codePointBytes < list.size()) {
      chars.push_back(codePointAfter(list, pos));
      pos += KeyCode::codePointBytes;
    }
  }
  return chars;
}

bool Player::holdsAnything() const {
  if (heldKeys.any()) return true;
  for (const HeldButton& b : heldButtons) {
    if (b.down) return true;
  }
  return false;
}

void Player::key(std::uint8_t keyCode, bool down) {
  injector.keyEvent(keyCode, down);
  heldKeys.set(keyCode, down);
}

void Player::mouse(MouseButton button, bool down, int x, int y) {
  injector.mouseEvent(button, down, x, y);
  heldButtons[static_cast<std::size_t>(button)] = {down, x, y};
}

void Player::playMouse(std::uint8_t code, int x, int y) {
  const MouseAction action = mouseAction(code);
  if (action.press) mouse(action.button, true, x, y);
  if (action.release) mouse(action.button, false, x, y);
}
