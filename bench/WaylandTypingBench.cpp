// Typing throughput into a real Wayland client (wev) on a private headless sway, through the
// compositor's virtual keyboard. Prints "name value unit" lines on stdout; diagnostics go to
// stderr.

#include <xkbcommon/xkbcommon.h>

#include <exception>
#include <iomanip>
#include <iostream>

#include "TypingMeasure.h"
#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "keys/Player.h"
#include "keys/WaylandInjector.h"
#include "support/SwayServer.h"
#include "support/WevRecorder.h"

namespace {

bool isModifierKeysym(std::uint32_t keysym) {
  return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
         (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Level5_Lock);
}

// wev's key presses, noting when each character arrives, up to an Escape press.
Recording collect(WevRecorder& wev) {
  Recording result;
  const auto deadline = Clock::now() + recordingTimeout;
  while (const auto press = wev.nextPress(deadline)) {
    if (press->keysym == XKB_KEY_Escape) {
      result.sawEnd = true;
      break;
    }
    if (press->button != 0 || isModifierKeysym(press->keysym)) continue;
    const std::uint32_t c = press->keysym == XKB_KEY_Return ? enterCodePoint : xkb_keysym_to_utf32(press->keysym);
    result.chars.push_back(c);
    result.lastCharAt = Clock::now();
  }
  return result;
}

void run() {
  const SwayServer sway;
  WevRecorder wev(sway);
  WaylandInjector injector(WaylandInjector::Options{sway.socketPath(), "us"});
  wev.waitForInput();

  const std::string text = typingText();
  std::vector<std::uint32_t> expected;
  for (const char c : text) expected.push_back(recordedAs(c));

  const KeyTokens tokens;
  const TypingResult typing = measure("wayland typing", [&] { return collect(wev); }, expected, [&] {
    KeyActions list;
    KeyParser(tokens, injector).parseKeys(text, list);
    list.push_back(KeyCode::escape);
    Player(injector).playKeys(list);
  });
  std::cout << std::fixed << std::setprecision(0) << "wayland_typing_chars_per_s " << typing.charsPerSecond
            << " chars/s\n"
            << "wayland_typing_lost " << typing.lost << " chars\n";
}

}  // namespace

int main() {
  try {
    run();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "zentak_bench_wayland_typing: " << e.what() << "\n";
    return 1;
  }
}
