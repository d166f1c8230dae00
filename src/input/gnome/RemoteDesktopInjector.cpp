#include "input/gnome/RemoteDesktopInjector.h"

#include <xkbcommon/xkbcommon.h>

#include <stdexcept>
#include <thread>
#include <utility>

#include "keys/KeyPositions.h"

RemoteDesktopInjector::RemoteDesktopInjector(std::unique_ptr<RemoteDesktopSession> remote,
                                             const InputPacer::Settings& pace, const std::string& waylandSocket)
    : session(std::move(remote)), pacer(pace), positions(VirtualKeymap::fromLayout("us")) {
  if (waylandSocket.empty()) return;
  try {
    auto connection = std::make_unique<WaylandConnection>(waylandSocket);
    connection->start(true, [](wl_registry*, std::uint32_t, std::string_view, std::uint32_t) {});
    keyboard = std::move(connection);
    sync();
  } catch (const WaylandError&) {
    // No compositor, or one without a keyboard: every character counts as typeable.
    keyboard.reset();
  }
}

RemoteDesktopInjector::~RemoteDesktopInjector() {
  if (!session->isOpen()) return;
  for (std::uint32_t& keycode : heldKeyOfVk) {
    if (keycode != 0) session->keycode(std::exchange(keycode, 0) - xkbKeycodeOffset, false);
  }
  for (std::size_t b = 0; b < heldButtons.size(); ++b) {
    if (heldButtons[b]) session->button(evdevButton(static_cast<MouseButton>(b)), false);
  }
  session->roundTrip();
}

void RemoteDesktopInjector::open() {
  uiThread.assertCurrent("RemoteDesktopInjector::open");
  openFailed = false;
  try {
    session->open();
  } catch (const RemoteDesktopError&) {
    openFailed = true;
    throw;
  }
  // A desktop without a keyboard of its own (a headless one) gets one with the session: the
  // first round trip learns of it and asks for its keymap, the second brings the keymap.
  if (keyboard && keyboard->roundTrip()) keyboard->roundTrip();
  sync();
}

// A session the desktop refused is asked for again only by open(), at the next run's start.
bool RemoteDesktopInjector::ready() {
  if (session->isOpen()) return true;
  if (openFailed) return false;
  try {
    session->open();
  } catch (const RemoteDesktopError&) {
    openFailed = true;
  }
  return session->isOpen();
}

void RemoteDesktopInjector::pace() {
  const auto now = InputPacer::Clock::now();
  const InputPacer::Step step = pacer.sent(now);
  if (step.roundTrip) session->roundTrip();
  if (step.wait > InputPacer::Clock::duration::zero()) {
    session->flush();
    std::this_thread::sleep_until(now + step.wait);
  }
}

void RemoteDesktopInjector::keyEvent(std::uint8_t keyCode, bool down) {
  uiThread.assertCurrent("RemoteDesktopInjector::keyEvent");
  if (!ready()) return;
  std::uint32_t& held = heldKeyOfVk[keyCode];
  std::uint32_t keycode = held;
  if (keycode == 0) keycode = positions.keycodeForVk(keyCode).value_or(0);
  if (keycode == 0) return;
  held = down ? keycode : 0;
  session->keycode(keycode - xkbKeycodeOffset, down);
  pace();
}

void RemoteDesktopInjector::mouseEvent(MouseButton button, bool down, int x, int y) {
  uiThread.assertCurrent("RemoteDesktopInjector::mouseEvent");
  if (!ready()) return;
  // The user may have moved the pointer since the last event.
  session->moveTo(x, y);
  pace();
  session->button(evdevButton(button), down);
  heldButtons[static_cast<std::size_t>(button)] = down;
  pace();
}

ScreenSize RemoteDesktopInjector::screenSize() {
  uiThread.assertCurrent("RemoteDesktopInjector::screenSize");
  return session->isOpen() ? session->screenSize() : ScreenSize{};
}

void RemoteDesktopInjector::typeChar(char32_t c) {
  uiThread.assertCurrent("RemoteDesktopInjector::typeChar");
  // A character the desktop's keymap lacks is skipped here rather than left to the desktop.
  if (!KeyPositions::typeable(c) || !canType(c) || !ready()) return;
  const xkb_keysym_t keysym = xkb_utf32_to_keysym(c);
  if (keysym == XKB_KEY_NoSymbol) return;
  session->keysym(keysym, true);
  pace();
  session->keysym(keysym, false);
  pace();
}

bool RemoteDesktopInjector::canType(char32_t c) const {
  uiThread.assertCurrent("RemoteDesktopInjector::canType");
  // A character no key types (a control character) is dropped whatever the layout.
  return !desktopKeymap || !KeyPositions::typeable(c) || desktopKeymap->strokeFor(c) != nullptr;
}

void RemoteDesktopInjector::expectChars(std::u32string_view) {
  uiThread.assertCurrent("RemoteDesktopInjector::expectChars");
  sync();
}

// The desktop hands the keyboard its keymap again whenever the user changes the layouts.
void RemoteDesktopInjector::sync() {
  uiThread.assertCurrent("RemoteDesktopInjector::sync");
  if (!keyboard) return;
  // Sends what the events handled before asked for, such as a keyboard the desktop gained.
  keyboard->flushOut();
  keyboard->pumpEvents();
  const auto offered = keyboard->takeOfferedKeymap();
  if (!offered) return;
  try {
    desktopKeymap.emplace(*offered);
  } catch (const std::runtime_error&) {
    // A keymap that does not compile here leaves the one in use.
  }
}

void RemoteDesktopInjector::flush() {
  uiThread.assertCurrent("RemoteDesktopInjector::flush");
  if (session->isOpen()) session->flush();
}
