#include "support/WevRecorder.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <stdexcept>

#include "support/RecorderClient.h"
#include "support/WaylandServer.h"

namespace {

// The number after "label" in a line of wev's, or fallback.
long numberAfter(const std::string& line, std::string_view label, long fallback = -1) {
  const std::size_t at = line.find(label);
  if (at == std::string::npos) return fallback;
  return std::strtol(line.c_str() + at + label.size(), nullptr, 10);
}

// The object a line of wev's is about: "[13:     wl_keyboard] key: ..." is about object 13.
long objectOf(const std::string& line) { return line.starts_with("[") ? std::strtol(line.c_str() + 1, nullptr, 10) : -1; }

int buttonNumber(long code) {
  switch (code) {
    case 0x110: return 1;
    case 0x112: return 2;
    case 0x111: return 3;
    default: return static_cast<int>(code);
  }
}

}  // namespace

WevRecorder::WevRecorder(const WaylandServer& server)
    : child(server.spawn({"stdbuf", "-oL", "wev"}, ChildProcess::Output::capture)) {
  if (server.wevFullscreen()) skipTo("fullscreen");
  skipTo("xdg_surface] configure");
}

void WevRecorder::skipTo(std::string_view fragment) {
  const auto deadline = Clock::now() + patience;
  while (const auto line = child.readLine(deadline)) {
    if (line->find("wl_keyboard] enter") != std::string::npos && !keyboardFocused) {
      keyboardFocused = true;
      keyboardObject = objectOf(*line);
    }
    if (line->find("capabilities:") != std::string::npos && line->find("pointer") != std::string::npos) {
      hasPointer = true;
    }
    notePointer(*line);
    if (line->find(fragment) != std::string::npos) return;
  }
  throw std::runtime_error("wev wrote no line with \"" + std::string(fragment) + "\" in time");
}

bool WevRecorder::notePointer(const std::string& line) {
  const bool entered = line.find("wl_pointer] enter:") != std::string::npos;
  if (entered && pointerObject < 0) pointerObject = objectOf(line);
  if (!entered && line.find("wl_pointer] motion:") == std::string::npos) return false;
  const std::size_t at = line.find("x, y: ");
  if (at != std::string::npos) {
    char* end = nullptr;
    pointerX = static_cast<int>(std::strtod(line.c_str() + at + 6, &end));
    pointerY = static_cast<int>(std::strtod(end + 1, nullptr));
  }
  return true;
}

void WevRecorder::waitForInput() {
  while (!hasPointer) skipTo("capabilities:");
  while (!keyboardFocused) skipTo("wl_keyboard] enter");
}

std::optional<WevRecorder::Press> WevRecorder::nextPress(Clock::time_point deadline) {
  while (const auto line = child.readLine(deadline)) {
    if (notePointer(*line)) continue;
    const bool pressed = line->find("state: 1 (pressed)") != std::string::npos;
    if (pressed && line->find("wl_pointer] button:") != std::string::npos && objectOf(*line) == pointerObject) {
      return Press{0, buttonNumber(numberAfter(*line, "; button: ")), pointerX, pointerY};
    }
    if (line->find("wl_keyboard] key:") == std::string::npos) continue;
    // The next line names the keysym: "sym: a (97), utf8: 'a'".
    const auto symLine = child.readLine(deadline);
    if (!symLine) break;
    // wev may hold two keyboards of the seat, which report every key alike.
    if (!pressed || objectOf(*line) != keyboardObject) continue;
    return Press{static_cast<std::uint32_t>(numberAfter(*symLine, "(", 0)), 0, 0, 0};
  }
  return std::nullopt;
}

namespace {

std::string render(const WevRecorder::Press& press) {
  if (press.button != 0) return RecorderClient::renderButton(press.button, press.x, press.y);
  return RecorderClient::renderKey(press.keysym, xkb_keysym_to_utf32(press.keysym));
}

}  // namespace

std::string WevRecorder::readUntilEscape() {
  std::string seen;
  const auto deadline = Clock::now() + patience;
  while (const auto press = nextPress(deadline)) {
    if (press->button == 0 && press->keysym == XKB_KEY_Escape) return seen;
    seen += render(*press);
  }
  throw std::runtime_error("wev reported no Escape press; before that it saw: " + seen);
}
