#include "keys/XTestInjector.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/extensions/Xrandr.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "keys/HeldInputReport.h"
#include "keys/KeyGrabGuard.h"
#include "keys/KeyPositions.h"
#include "keys/SpareKeycodePool.h"
#include "keys/XDisplay.h"
#include "keys/XKeymap.h"
#include "tern/OwnerThread.h"

namespace {

using Clock = std::chrono::steady_clock;

// A busy target may read our next keymap change before it handles the keys typed with a binding.
constexpr Clock::duration bindingGrace = std::chrono::milliseconds(1000);

// The server works through what is sent in its own time; anything it still holds when the user
// presses a key on another connection (the stop key's chord, say) is handled after that key, and
// modified by it. A round trip every so many events keeps that to about a millisecond of typing
// (64 plain characters); one every 32 events would cost a third of the typing speed.
constexpr unsigned eventsPerRoundTrip = 128;

// Pointer coordinates travel as 16-bit values in the XTEST request.
constexpr std::int64_t minCoordinate = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t maxCoordinate = std::numeric_limits<std::int16_t>::max();

struct Rectangle {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Catches the X errors of one connection while it lives; errors of other connections go to the
// handler that was installed before. Xlib keeps one handler per process, so traps do not nest.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : dpy(display), previous(XSetErrorHandler(&record)) { active = this; }
  ~ErrorTrap() {
    XSync(dpy, False);
    XSetErrorHandler(previous);
    active = nullptr;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Waits for the answers to everything sent so far, then tells whether any was an error.
  [[nodiscard]] bool failed() {
    XSync(dpy, False);
    return caught;
  }

 private:
  static int record(Display* display, XErrorEvent* error) {
    if (active != nullptr && display == active->dpy) {
      active->caught = true;
      return 0;
    }
    if (active != nullptr && active->previous != nullptr) {
      return active->previous(display, error);
    }
    return 0;
  }

  static inline ErrorTrap* active = nullptr;
  Display* dpy;
  XErrorHandler previous;
  bool caught = false;
};

struct ResourcesDeleter {
  void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};
struct OutputDeleter {
  void operator()(XRROutputInfo* output) const { XRRFreeOutputInfo(output); }
};
struct CrtcDeleter {
  void operator()(XRRCrtcInfo* crtc) const { XRRFreeCrtcInfo(crtc); }
};
struct ModifierMapDeleter {
  void operator()(XModifierKeymap* map) const { XFreeModifiermap(map); }
};
using ScreenResources = std::unique_ptr<XRRScreenResources, ResourcesDeleter>;
using OutputInfo = std::unique_ptr<XRROutputInfo, OutputDeleter>;
using CrtcInfo = std::unique_ptr<XRRCrtcInfo, CrtcDeleter>;

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
  void adoptKeymap();
  void sendOut();
  KeyCode resolve(std::uint8_t vk, bool mayBind);
  KeyCode bind(KeySym keysym);
  void setKeysym(KeyCode keycode, KeySym keysym);
  void hold(KeyCode keycode, bool down);
  void paceEvents(unsigned events);
  void sendKey(KeyCode keycode, bool down);
  void tellHeld();
  std::optional<Rectangle> primaryMonitor();
  std::optional<Rectangle> queryPrimaryMonitor();

  XDisplay display;
  Display* dpy;
  XKeymap keymap;
  int randrEventBase = -1;
  bool monitorKnown = false;
  std::optional<Rectangle> monitor;

  // Spare keycodes (no keysym of the layout's own) and the keysyms we put on them.
  SpareKeycodePool spares{bindingGrace};

  // A grab that presses of the keys it covers must pass by; not owned.
  KeyGrabGuard* grabGuard = nullptr;

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
    : display(displayName), dpy(display.get()), keymap(display.get()) {
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor) == False) {
    throw XError("The X display has no XTEST extension");
  }
  if (XRRQueryExtension(dpy, &eventBase, &errorBase) != False && XRRQueryVersion(dpy, &major, &minor) != 0 &&
      (major > 1 || (major == 1 && minor >= 3))) {
    randrEventBase = eventBase;
    XRRSelectInput(dpy, XDefaultRootWindow(dpy),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
  spares.setSpare(keymap.spareKeycodes());
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
    // The bindings go at once rather than after their grace: waiting would stall the thread
    // letting go of the injector, and no thread may outlive it to wait instead. The server
    // passes on every key event sent before the keymap changes, so only a target that has not
    // read them by then may miss their keysyms.
    XSync(dpy, False);
    const KeycodeSet bound = spares.bound();
    for (std::size_t code = 0; code < bound.size(); ++code) {
      if (bound.test(code)) {
        setKeysym(static_cast<KeyCode>(code), NoSymbol);
        spares.forget(static_cast<KeyCode>(code));
      }
    }
    XSync(dpy, False);
  } catch (...) {
    // A destructor cannot report; what could not be undone stays as it is.
  }
}

void XTestInjector::State::begin() {
  pumpEvents();
  if (spares.bound().none()) {
    return;
  }
  const KeycodeSet expired = spares.expire(Clock::now());
  for (std::size_t code = 0; code < expired.size(); ++code) {
    if (expired.test(code)) {
      setKeysym(static_cast<KeyCode>(code), NoSymbol);
    }
  }
}

void XTestInjector::State::pumpEvents() {
  const KeycodeSet others = ~spares.spare();
  const int mode = batchStarted ? QueuedAlready : QueuedAfterReading;
  batchStarted = true;
  while (XEventsQueued(dpy, mode) > 0) {
    XEvent event{};
    XNextEvent(dpy, &event);
    if (keymap.handle(event, others)) {
      continue;
    }
    if (randrEventBase >= 0 && event.type >= randrEventBase && event.type < randrEventBase + RRNumberEvents) {
      XRRUpdateConfiguration(&event);
      monitorKnown = false;
    }
  }
  if (keymap.update(spares.bound())) {
    adoptKeymap();
  }
}

// After someone else changed the keymap: bindings that were overwritten are no longer ours.
void XTestInjector::State::adoptKeymap() {
  const KeycodeSet bound = spares.bound();
  bool dropped = false;
  for (std::size_t code = 0; code < bound.size(); ++code) {
    const auto keycode = static_cast<KeyCode>(code);
    if (bound.test(code) && !keymap.boundTo(keycode, spares.keysymOf(keycode))) {
      spares.forget(keycode);
      dropped = true;
    }
  }
  if (dropped) {
    keymap.setReserved(spares.bound());
  }
  spares.setSpare(keymap.spareKeycodes());
}

void XTestInjector::State::sendOut() {
  XFlush(dpy);
  spares.sent(Clock::now());
}

void XTestInjector::State::tellHeld() {
  if (heldReport != nullptr) heldReport->report(heldInput.snapshot(static_cast<std::uint32_t>(marker)));
}

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
  if (const auto keycode = spares.find(static_cast<SpareKeycodePool::Keysym>(keysym))) {
    return *keycode;
  }
  return mayBind ? bind(keysym) : 0;
}

KeyCode XTestInjector::State::bind(KeySym keysym) {
  const auto wanted = static_cast<SpareKeycodePool::Keysym>(keysym);
  SpareKeycodePool::Grant grant = spares.acquire(wanted, Clock::now());
  if (grant.kind == SpareKeycodePool::Grant::Kind::none && grant.keycode != 0) {
    // Every binding is within its grace. Waiting would stall the UI thread and dropping the
    // character would lose it for sure, so the least recently used binding changes anyway, once
    // the server has passed on every event typed with it: a target that has read those events
    // types them right, and only one lagging behind by a whole pool of keys sees the new keysym.
    sendOut();
    XSync(dpy, False);
    grant = spares.takeOver(grant.keycode, wanted);
  }
  switch (grant.kind) {
    case SpareKeycodePool::Grant::Kind::bound:
      return grant.keycode;
    case SpareKeycodePool::Grant::Kind::fresh:
    case SpareKeycodePool::Grant::Kind::replaced:
      setKeysym(grant.keycode, keysym);
      return grant.keycode;
    case SpareKeycodePool::Grant::Kind::none:
      break;
  }
  return 0;
}

void XTestInjector::State::setKeysym(KeyCode keycode, KeySym keysym) {
  if (keysym == NoSymbol) {
    XChangeKeyboardMapping(dpy, keycode, 1, &keysym, 1);
    return;
  }
  // Two equal columns: a lone keysym would be taken as a lower/upper case pair by the server.
  std::array<KeySym, 2> syms{keysym, keysym};
  XChangeKeyboardMapping(dpy, keycode, static_cast<int>(syms.size()), syms.data(), 1);
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
    spares.sent(Clock::now());
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

std::optional<Rectangle> XTestInjector::State::primaryMonitor() {
  if (!monitorKnown) {
    monitor = queryPrimaryMonitor();
    monitorKnown = true;
  }
  return monitor;
}

std::optional<Rectangle> XTestInjector::State::queryPrimaryMonitor() {
  if (randrEventBase < 0) {
    return std::nullopt;
  }
  const Window root = XDefaultRootWindow(dpy);
  ErrorTrap trap(dpy);
  const ScreenResources resources(XRRGetScreenResourcesCurrent(dpy, root));
  const RROutput output = XRRGetOutputPrimary(dpy, root);
  if (!resources || output == None) {
    return std::nullopt;
  }
  const OutputInfo outputInfo(XRRGetOutputInfo(dpy, resources.get(), output));
  if (!outputInfo || outputInfo->crtc == None) {
    return std::nullopt;
  }
  const CrtcInfo crtc(XRRGetCrtcInfo(dpy, resources.get(), outputInfo->crtc));
  if (!crtc || crtc->width == 0 || crtc->height == 0 || trap.failed()) {
    return std::nullopt;
  }
  return Rectangle{crtc->x, crtc->y, static_cast<int>(crtc->width), static_cast<int>(crtc->height)};
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
  const Rectangle origin = s.primaryMonitor().value_or(Rectangle{});
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
  if (const auto primary = s.primaryMonitor()) {
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
  const KeyCode keycode = s.bind(keysym);
  if (keycode == 0) {
    return;
  }
  s.sendKey(keycode, true);
  s.sendKey(keycode, false);
  s.spares.use(keycode);
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
