#include "keys/RecordingInjector.h"

namespace {

const char* buttonName(MouseButton b) {
  switch (b) {
    case MouseButton::left: return "left";
    case MouseButton::right: return "right";
    case MouseButton::middle: return "middle";
  }
  return "?";
}

}  // namespace

void RecordingInjector::keyEvent(std::uint8_t keyCode, bool down) {
  events.push_back({.kind = Event::Kind::key, .keyCode = keyCode, .down = down});
}

void RecordingInjector::mouseEvent(MouseButton button, bool down, int x, int y) {
  events.push_back({.kind = Event::Kind::mouse, .down = down, .button = button, .x = x, .y = y});
}

void RecordingInjector::typeChar(char32_t c) { events.push_back({.kind = Event::Kind::typeChar, .character = c}); }

void RecordingInjector::flush() { events.push_back({.kind = Event::Kind::flush}); }

std::string RecordingInjector::describe() const {
  std::string out;
  for (const Event& e : events) {
    switch (e.kind) {
      case Event::Kind::key:
        out += "K " + std::to_string(e.keyCode) + (e.down ? " down\n" : " up\n");
        break;
      case Event::Kind::mouse:
        out += std::string("M ") + buttonName(e.button) + (e.down ? " down " : " up ") + std::to_string(e.x) + " " +
               std::to_string(e.y) + "\n";
        break;
      case Event::Kind::typeChar: out += "T " + std::to_string(static_cast<std::uint32_t>(e.character)) + "\n"; break;
      case Event::Kind::flush: break;
    }
  }
  return out;
}
