#include "input/x11/XTestInjector.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "input/x11/HeldInputReport.h"
#include "input/x11/KeyGrabGuard.h"
#include "keys/KeyPositions.h"
#include "keys/SpareKeyBindings.h"
#include "input/x11/SpareKeyWriter.h"
#include "input/x11/UserKeyboardHold.h"
#include "input/x11/XDisplay.h"
#include "input/x11/XKeymap.h"
#include "input/x11/XPrimaryMonitor.h"
#include "tern/OwnerThread.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long after the server has passed on a key event the keymap may change under it: a client
// translates an event only when it handles it, with the keymap it has by then. Measured on Xvfb
// with the machine's two cores kept busy (load 7): xterm and a GTK3 entry came out exact from
// 40 ms on, a GTK3 entry lost one chunk in nine at 20 ms and most at 5 ms; twice that for margin.
constexpr Clock::duration settleTime = std::chrono::milliseconds(80);

// The server works through what is sent in its own time; anything it still holds when the user
// presses a key on another connection (the stop key's chord, say) is handled after that key, and
// modified by it. A round trip every so many events keeps that to about a millisecond of typing
// (64 plain characters); one every 32 events would cost a third of the typing speed.
constexpr unsigned eventsPerRoundTrip = 128;

// Pointer coordinates travel as 16-bit values in the XTEST request.
constexpr std::int64_t minCoordinate = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t maxCoordinate = std::numeric_limits<std::int16_t>::max();

struct ModifierMapDeleter {
  void operator()(XModifierKeymap* map) const { XFreeModifiermap(map); }
};

int clampCoordinate(int value, int origin) {
  return static_cast<int>(std::clamp(std::int64_t{value} + origin, minCoordinate, maxCoordinate));
}

unsigned buttonNumber(MouseButton button) {
  switch (button) {
    case MouseButton::left:
      return 1;
    case MouseButton::middle:
      return 2;
    case MouseButton::right:
      return 3;
  }
  return 1;
}

}  // namespace

struct XTestInjector::State {
  const Tern::OwnerThread uiThread;
  explicit State(const std::string& displayName);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  void begin();
  void pumpEvents();
  void letGoOfUser();
  void adoptKeymap();
  void adoptLevels();
  void sendOut();
  KeyCode resolve(std::uint8_t vk, bool mayBind);
  KeyCode bindWhole(KeySym keysym);
  std::optional<SpareKeyBindings::Place> bindAhead(KeySym keysym);
  void settleSpares();
  void giveBackSpares();
  void tapSpare(SpareKeyBindings::Place place);
  void hold(KeyCode keycode, bool down);
  void paceEvents(unsigned events);
  void sendKey(KeyCode keycode, bool down);
  void tellHeld();

  XDisplay display;
  Display* dpy;
  XKeymap keymap;
  XPrimaryMonitor primaryMonitor;

  // Spare keycodes (no keysym of the layout's own) and the keysyms we put on them.
  SpareKeyBindings spares{settleTime};
  SpareKeyWriter keyWriter{dpy};

  // The characters the list being played types with typeChar, and how many of them are typed.
  std::u32string upcoming;
  std::size_t upcomingTyped = 0;

  // A grab that presses of the keys it covers must pass by; not owned.
  KeyGrabGuard* grabGuard = nullptr;

  // The user's keyboards, held aside from the start of each batch of input to its flush.
  UserKeyboardHold userHold{dpy};

  // What may be held pressed, told to heldReport (not owned) with a window of this connection
  // as marker: the server destroys it only after it has handled everything this connection sent.
  HeldInputSet heldInput;
  HeldInputReport* heldReport = nullptr;
  Window marker = None;

  // The socket is read for a changed keyboard map once per batch of input (up to a flush), not
  // once per key: that read is a system call, and a text's keys go out by the thousand.
  bool batchStarted = false;

  // Events sent since the last round trip.
  unsigned unconfirmed = 0;

  // The keycode each virtual key was pressed on, so that its release goes to the same key.
  std::array<KeyCode, 256> heldKeyOfVk{};
  std::array<std::uint16_t, 256> holdCount{};
};

XTestInjector::State::State(const std::string& displayName)
    : display(displayName), dpy(display.get()), keymap(display.get()), primaryMonitor(display.get()) {
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor) == False) {
    throw XError("The X display has no XTEST extension");
  }
  spares.setSpare(keymap.spareKeycodes());
  adoptLevels();
}

XTestInjector::State::~State() {
  try {
    pumpEvents();
    for (std::size_t vk = 0; vk < heldKeyOfVk.size(); ++vk) {
      if (heldKeyOfVk[vk] != 0) {
        sendKey(heldKeyOfVk[vk], false);
        heldKeyOfVk[vk] = 0;
      }
    }
    holdCount.fill(0);
    for (unsigned button = 1; button <= HeldInputSet::maxButton; ++button) {
      if ((heldInput.heldButtons() & (1U << (button - 1))) != 0) {
        XTestFakeButtonEvent(dpy, button, False, CurrentTime);
        heldInput.releaseButton(button);
      }
    }
    sendOut();
    if (heldInput.settle()) tellHeld();
    giveBackSpares();
    userHold.letGo();
    XSync(dpy, False);
  } catch (...) {
    // A destructor cannot report; what could not be undone stays as it is.
  }
}

void XTestInjector::State::begin() {
  const bool starting = !batchStarted;
  pumpEvents();
  if (starting) {
    KeycodeSet own;
    for (std::size_t keycode = 0; keycode < holdCount.size(); ++keycode) own.set(keycode, holdCount[keycode] != 0);
    userHold.take(own);
  }
}

// After the ungrab, a round trip brings in every key the hold took before it, and the grab guard
// hears of them now rather than at the next batch, which may be far off.
void XTestInjector::State::letGoOfUser() {
  if (!userHold.held()) return;
  userHold.letGo();
  XSync(dpy, False);
  pumpEvents();
}

void XTestInjector::State::pumpEvents() {
  const KeycodeSet others = ~spares.spare();
  const int mode = batchStarted ? QueuedAlready : QueuedAfterReading;
  batchStarted = true;
  while (XEventsQueued(dpy, mode) > 0) {
    XEvent event{};
    XNextEvent(dpy, &event);
    if (const auto press = userHold.pressOf(event)) {
      if (grabGuard != nullptr) grabGuard->pressedAside(press->keycode, press->modifiers);
      continue;
    }
    if (keymap.handle(event, others)) {
      continue;
    }
    primaryMonitor.handle(event);
  }
  if (keymap.update(spares.bound())) {
    adoptKeymap();
  }
  adoptLevels();
}

// After someone else changed the keymap: bindings that were overwritten are no longer ours.
void XTestInjector::State::adoptKeymap() {
  const KeycodeSet bound = spares.bound();
  bool dropped = false;
  for (std::size_t code = 0; code < bound.size(); ++code) {
    const auto keycode = static_cast<KeyCode>(code);
    const SpareKeyBindings::Symbols& symbols = spares.symbolsOf(keycode);
    const std::array<KeySym, SpareKeyBindings::maxLevels> keysyms{symbols[0], symbols[1], symbols[2], symbols[3]};
    if (bound.test(code) && !keymap.boundTo(keycode, keysyms)) {
      spares.forget(keycode);
      dropped = true;
    }
  }
  if (dropped) {
    keymap.setReserved(spares.bound());
  }
  spares.setSpare(keymap.spareKeycodes());
}

// Four levels where the keymap has a level-3 key and a key type for them.
void XTestInjector::State::adoptLevels() {
  spares.setLevels(keymap.level3Key() && keymap.fourLevelType() ? SpareKeyBindings::maxLevels : 2);
}

void XTestInjector::State::tellHeld() {
  if (heldReport != nullptr) heldReport->report(heldInput.snapshot(static_cast<std::uint32_t>(marker)));
}

void XTestInjector::State::sendOut() { XFlush(dpy); }

KeyCode XTestInjector::State::resolve(std::uint8_t vk, bool mayBind) {
  if (const auto keycode = keymap.keycodeForVk(vk)) {
    return *keycode;
  }
  const KeySym keysym = KeySym{KeyPositions::namedKeysym(vk)};
  if (keysym == NoSymbol) {
    return 0;
  }
  if (const auto keycode = keymap.keycodeForKeysym(keysym)) {
    return *keycode;
  }
  const KeySym fallback = KeySym{KeyPositions::namedKeysymFallback(vk)};
  if (fallback != NoSymbol) {
    if (const auto keycode = keymap.keycodeForKeysym(fallback)) {
      return *keycode;
    }
  }
  const auto wanted = static_cast<SpareKeyBindings::Keysym>(keysym);
  if (const auto place = spares.find(wanted); place && spares.symbolsOf(place->keycode)[1] == wanted) {
    return place->keycode;
  }
  return mayBind ? bindWhole(keysym) : 0;
}

KeyCode XTestInjector::State::bindWhole(KeySym keysym) {
  const auto wanted = static_cast<SpareKeyBindings::Keysym>(keysym);
  std::optional<KeyCode> keycode = spares.bindWhole(wanted, Clock::now());
  if (!keycode) {
    settleSpares();
    keycode = spares.bindWhole(wanted, Clock::now());
  }
  if (!keycode) {
    return 0;
  }
  keyWriter.write(KeycodeSet{}.set(*keycode), spares, keymap.fourLevelType());
  return *keycode;
}

// Binds the character's keysym together with those of the characters the list types after it,
// as many as the spare keycodes free to change hold, in one burst of keymap changes. When none is
// free, waits until the keys typed so far have settled, which bounds each wait by settleTime.
std::optional<SpareKeyBindings::Place> XTestInjector::State::bindAhead(KeySym keysym) {
  std::vector<SpareKeyBindings::Keysym> ahead{static_cast<SpareKeyBindings::Keysym>(keysym)};
  for (std::size_t i = upcomingTyped; i < upcoming.size(); ++i) {
    const char32_t c = upcoming[i];
    if (KeyPositions::typeable(c) && keymap.strokeFor(c) == nullptr) {
      const KeySym next = xkb_utf32_to_keysym(static_cast<std::uint32_t>(c));
      if (next != NoSymbol) {
        ahead.push_back(static_cast<SpareKeyBindings::Keysym>(next));
      }
    }
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    keyWriter.write(spares.bindAhead(ahead, Clock::now()), spares, keymap.fourLevelType());
    if (const auto place = spares.find(ahead.front())) {
      return place;
    }
    if (attempt == 0) {
      settleSpares();
    }
  }
  return std::nullopt;
}

void XTestInjector::State::settleSpares() {
  sendOut();
  XSync(dpy, False);
  spares.confirm(Clock::now());
  std::this_thread::sleep_until(spares.settledAt());
}

// Waits until the keys typed with the bindings have settled, then takes them all back at once.
void XTestInjector::State::giveBackSpares() {
  const KeycodeSet bound = spares.bound();
  if (bound.none()) {
    return;
  }
  settleSpares();
  for (std::size_t code = 0; code < bound.size(); ++code) {
    if (bound.test(code)) {
      spares.forget(static_cast<KeyCode>(code));
    }
  }
  keyWriter.write(bound, spares, keymap.fourLevelType());
  sendOut();
}

// Levels 2 and 4 are Shift's: pressed for them unless the text holds Shift already, let go of
// for the others while the text holds it. Levels 3 and 4 add the level-3 key.
void XTestInjector::State::tapSpare(SpareKeyBindings::Place place) {
  const std::optional<KeyCode> shift = keymap.shiftKey();
  const bool shiftHeld = shift && holdCount[*shift] != 0;
  const bool toggle = shift && ((place.level & 1U) != 0) != shiftHeld;
  const std::optional<KeyCode> level3 = keymap.level3Key();
  const bool addLevel3 = (place.level & 2U) != 0 && level3 && holdCount[*level3] == 0;
  if (toggle) {
    sendKey(*shift, !shiftHeld);
  }
  if (addLevel3) {
    sendKey(*level3, true);
  }
  sendKey(place.keycode, true);
  sendKey(place.keycode, false);
  if (addLevel3) {
    sendKey(*level3, false);
  }
  if (toggle) {
    sendKey(*shift, shiftHeld);
  }
  spares.use(place.keycode);
}

void XTestInjector::State::hold(KeyCode keycode, bool down) {
  holdCount[keycode] = static_cast<std::uint16_t>(down ? holdCount[keycode] + 1 : holdCount[keycode] - 1);
  spares.setHeld(keycode, holdCount[keycode] != 0);
}

// Before sending events: waits for the server first when they would take what it has not yet
// confirmed past the bound.
void XTestInjector::State::paceEvents(unsigned events) {
  if (unconfirmed + events > eventsPerRoundTrip) {
    XSync(dpy, False);
    spares.confirm(Clock::now());
    unconfirmed = 0;
  }
  unconfirmed += events;
}

void XTestInjector::State::sendKey(KeyCode keycode, bool down) {
  if (!keymap.valid(keycode)) {
    return;
  }
  // Told before the press can leave in a full output buffer.
  if (down && heldInput.pressKey(keycode)) tellHeld();
  if (!down) heldInput.releaseKey(keycode);
  if (down && grabGuard != nullptr && grabGuard->covers(keycode)) {
    // The grab lives on another connection, and the server orders requests only within one
    // connection. suspend returns once the server has processed the ungrab, so the press sent
    // after it finds no grab. The server delivers an XTEST event while it processes the
    // request, so once XSync returns the press has reached the focused window and the grab put
    // back cannot take it. Only presses activate a passive grab; releases need no such care.
    grabGuard->suspend();
    XTestFakeKeyEvent(dpy, keycode, True, CurrentTime);
    XSync(dpy, False);
    grabGuard->resume();
    return;
  }
  paceEvents(1);
  XTestFakeKeyEvent(dpy, keycode, down ? True : False, CurrentTime);
}

XTestInjector::XTestInjector(const std::string& displayName) : state(std::make_unique<State>(displayName)) {}

XTestInjector::~XTestInjector() = default;

void XTestInjector::keyEvent(std::uint8_t keyCode, bool down) {
  state->uiThread.assertCurrent("XTestInjector::keyEvent");
  State& s = *state;
  s.begin();
  KeyCode& held = s.heldKeyOfVk[keyCode];
  KeyCode keycode = held;
  if (down) {
    if (keycode == 0) {
      keycode = s.resolve(keyCode, true);
      if (keycode == 0) {
        return;
      }
      held = keycode;
      s.hold(keycode, true);
    }
  } else if (keycode != 0) {
    held = 0;
    s.hold(keycode, false);
  } else {
    keycode = s.resolve(keyCode, false);
    if (keycode == 0) {
      return;
    }
  }
  s.sendKey(keycode, down);
  s.spares.use(keycode);
}

void XTestInjector::mouseEvent(MouseButton button, bool down, int x, int y) {
  state->uiThread.assertCurrent("XTestInjector::mouseEvent");
  State& s = *state;
  s.begin();
  const XPrimaryMonitor::Rectangle origin = s.primaryMonitor.get().value_or(XPrimaryMonitor::Rectangle{});
  s.paceEvents(2);
  XTestFakeMotionEvent(s.dpy, -1, clampCoordinate(x, origin.x), clampCoordinate(y, origin.y), CurrentTime);
  const unsigned number = buttonNumber(button);
  if (down && s.heldInput.pressButton(number)) s.tellHeld();
  if (!down) s.heldInput.releaseButton(number);
  XTestFakeButtonEvent(s.dpy, number, down ? True : False, CurrentTime);
}

ScreenSize XTestInjector::screenSize() {
  state->uiThread.assertCurrent("XTestInjector::screenSize");
  State& s = *state;
  s.begin();
  if (const auto primary = s.primaryMonitor.get()) {
    return {primary->width, primary->height};
  }
  const int screen = XDefaultScreen(s.dpy);
  return {XDisplayWidth(s.dpy, screen), XDisplayHeight(s.dpy, screen)};
}

bool XTestInjector::othersHoldModifier() {
  state->uiThread.assertCurrent("XTestInjector::othersHoldModifier");
  State& s = *state;
  s.begin();
  const std::unique_ptr<XModifierKeymap, ModifierMapDeleter> modifiers(XGetModifierMapping(s.dpy));
  std::array<char, 32> down{};
  XQueryKeymap(s.dpy, down.data());
  if (!modifiers) {
    return false;
  }
  for (int row = 0; row < 8; ++row) {
    if (row == LockMapIndex) {
      continue;
    }
    for (int slot = 0; slot < modifiers->max_keypermod; ++slot) {
      const KeyCode keycode = modifiers->modifiermap[row * modifiers->max_keypermod + slot];
      const bool isDown = (static_cast<unsigned char>(down[keycode / 8]) & (1U << (keycode % 8))) != 0;
      if (keycode != 0 && isDown && s.holdCount[keycode] == 0 &&
          XkbKeycodeToKeysym(s.dpy, keycode, 0, 0) != XK_Num_Lock) {
        return true;
      }
    }
  }
  return false;
}

void XTestInjector::typeChar(char32_t c) {
  state->uiThread.assertCurrent("XTestInjector::typeChar");
  State& s = *state;
  s.begin();
  if (s.upcomingTyped < s.upcoming.size() && s.upcoming[s.upcomingTyped] == c) {
    ++s.upcomingTyped;
  } else {
    s.upcoming.clear();
    s.upcomingTyped = 0;
  }
  if (!KeyPositions::typeable(c)) {
    return;
  }
  if (const XKeymap::Stroke* stroke = s.keymap.strokeFor(c)) {
    std::array<KeyCode, 2> modifiers{};
    std::size_t pressed = 0;
    const std::array<std::pair<std::uint8_t, std::optional<KeyCode>>, 2> needs{{
        {XKeymap::shiftMod, s.keymap.shiftKey()},
        {XKeymap::level3Mod, s.keymap.level3Key()},
    }};
    for (const auto& [mod, key] : needs) {
      if ((stroke->mods & mod) != 0 && key && s.holdCount[*key] == 0) {
        s.sendKey(*key, true);
        modifiers[pressed++] = *key;
      }
    }
    s.sendKey(stroke->keycode, true);
    s.sendKey(stroke->keycode, false);
    while (pressed > 0) {
      s.sendKey(modifiers[--pressed], false);
    }
    return;
  }
  const KeySym keysym = xkb_utf32_to_keysym(static_cast<std::uint32_t>(c));
  if (keysym == NoSymbol) {
    return;
  }
  std::optional<SpareKeyBindings::Place> place = s.spares.find(static_cast<SpareKeyBindings::Keysym>(keysym));
  if (!place) {
    place = s.bindAhead(keysym);
  }
  if (place) {
    s.tapSpare(*place);
  }
}

void XTestInjector::expectChars(std::u32string_view chars) {
  state->uiThread.assertCurrent("XTestInjector::expectChars");
  state->upcoming.assign(chars);
  state->upcomingTyped = 0;
}

void XTestInjector::giveBackSpareKeys() {
  state->uiThread.assertCurrent("XTestInjector::giveBackSpareKeys");
  state->begin();
  state->giveBackSpares();
  // The run is over: the user's keyboards, taken as this began, go back.
  state->letGoOfUser();
  state->batchStarted = false;
}

void XTestInjector::setGrabGuard(KeyGrabGuard* guard) {
  state->uiThread.assertCurrent("XTestInjector::setGrabGuard");
  state->grabGuard = guard;
}

void XTestInjector::setHeldInputReport(HeldInputReport* report) {
  state->uiThread.assertCurrent("XTestInjector::setHeldInputReport");
  State& s = *state;
  if (report != nullptr && s.marker == None) {
    s.marker = XCreateWindow(s.dpy, XDefaultRootWindow(s.dpy), -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, 0,
                             nullptr);
  }
  s.heldReport = report;
}

void XTestInjector::flush() {
  state->uiThread.assertCurrent("XTestInjector::flush");
  State& s = *state;
  s.begin();
  s.sendOut();
  // Only here, at the end of a batch, not at every round trip: a set shrunk within a text would
  // grow again with its next keys, a report each.
  if (s.heldInput.settle()) s.tellHeld();
  s.batchStarted = false;
}

// Only at a text's end, not at each flush: a key the user pressed between two slices of a text
// would otherwise reach the core keyboard (an Escape without the modifiers held apart, say, which
// the stop key's grab never sees).
void XTestInjector::endText() {
  state->uiThread.assertCurrent("XTestInjector::endText");
  state->letGoOfUser();
  // The next key begins a new batch, which takes the keyboards again.
  state->batchStarted = false;
}
