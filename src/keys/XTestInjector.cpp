#include "keys/XTestInjector.h"

#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <thread>
#include <unordered_map>

#include "keys/XDisplay.h"
#include "keys/XKeymap.h"

namespace {

using Clock = std::chrono::steady_clock;

// A busy target may read our next keymap change before it handles the keys typed with a binding.
constexpr Clock::duration bindingGrace = std::chrono::milliseconds(1000);

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
  // A keysym put on a spare keycode for a while.
  struct Binding {
    KeySym keysym = NoSymbol;
    Clock::time_point lastUse{};
    // Used since the last flush: the target may not even have received it yet.
    bool unsent = false;
  };

  explicit State(const std::string& displayName);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  void begin();
  void pumpEvents();
  void adoptKeymap();
  void expireBindings(Clock::time_point now);
  void sendOut();
  KeyCode resolve(std::uint8_t vk, bool mayBind);
  KeyCode bind(KeySym keysym);
  void unbind(KeyCode keycode);
  void touch(KeyCode keycode);
  void sendKey(KeyCode keycode, bool down);
  std::optional<Rectangle> primaryMonitor();
  std::optional<Rectangle> queryPrimaryMonitor();

  XDisplay display;
  Display* dpy;
  XKeymap keymap;
  int randrEventBase = -1;
  bool monitorKnown = false;
  std::optional<Rectangle> monitor;

  // Spare keycodes (no keysym of the layout's own) and those of them bound by us.
  KeycodeSet pool;
  KeycodeSet bound;
  std::array<Binding, 256> bindings{};
  std::unordered_map<KeySym, KeyCode> boundKeys;
  bool anyUnsent = false;
  Clock::time_point nextExpiry = Clock::time_point::max();

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
  pool = keymap.spareKeycodes();
}

XTestInjector::State::~State() {
  try {
    pumpEvents();
    for (std::size_t vk = 0; vk < heldKeyOfVk.size(); ++vk) {
      if (heldKeyOfVk[vk] != 0) {
        sendKey(heldKeyOfVk[vk], false);
        touch(heldKeyOfVk[vk]);
        heldKeyOfVk[vk] = 0;
      }
    }
    holdCount.fill(0);
    sendOut();
    Clock::time_point latest = Clock::time_point::min();
    for (std::size_t code = 0; code < bindings.size(); ++code) {
      if (bound.test(code)) {
        latest = std::max(latest, bindings[code].lastUse);
      }
    }
    if (bound.any()) {
      std::this_thread::sleep_until(latest + bindingGrace);
      pumpEvents();
    }
    for (std::size_t code = 0; code < bindings.size(); ++code) {
      if (bound.test(code)) {
        unbind(static_cast<KeyCode>(code));
      }
    }
    XSync(dpy, False);
  } catch (...) {
    // A destructor cannot report; what could not be undone stays as it is.
  }
}

void XTestInjector::State::begin() {
  pumpEvents();
  if (bound.any()) {
    expireBindings(Clock::now());
  }
}

void XTestInjector::State::pumpEvents() {
  const KeycodeSet others = ~pool;
  while (XEventsQueued(dpy, QueuedAfterReading) > 0) {
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
  if (keymap.update(bound)) {
    adoptKeymap();
  }
}

// After someone else changed the keymap: bindings that were overwritten are no longer ours.
void XTestInjector::State::adoptKeymap() {
  bool dropped = false;
  for (std::size_t code = 0; code < bindings.size(); ++code) {
    if (bound.test(code) && !keymap.boundTo(static_cast<KeyCode>(code), bindings[code].keysym)) {
      boundKeys.erase(bindings[code].keysym);
      bindings[code] = {};
      bound.reset(code);
      dropped = true;
    }
  }
  if (dropped) {
    keymap.setReserved(bound);
  }
  pool = keymap.spareKeycodes() | bound;
}

void XTestInjector::State::expireBindings(Clock::time_point now) {
  if (now < nextExpiry) {
    return;
  }
  nextExpiry = Clock::time_point::max();
  for (std::size_t code = 0; code < bindings.size(); ++code) {
    if (!bound.test(code) || holdCount[code] != 0 || bindings[code].unsent) {
      continue;
    }
    const Clock::time_point expiry = bindings[code].lastUse + bindingGrace;
    if (expiry <= now) {
      unbind(static_cast<KeyCode>(code));
    } else {
      nextExpiry = std::min(nextExpiry, expiry);
    }
  }
}

void XTestInjector::State::sendOut() {
  XFlush(dpy);
  if (!anyUnsent) {
    return;
  }
  anyUnsent = false;
  const Clock::time_point now = Clock::now();
  for (std::size_t code = 0; code < bindings.size(); ++code) {
    if (bound.test(code) && bindings[code].unsent) {
      bindings[code].unsent = false;
      bindings[code].lastUse = now;
    }
  }
  nextExpiry = std::min(nextExpiry, now + bindingGrace);
}

KeyCode XTestInjector::State::resolve(std::uint8_t vk, bool mayBind) {
  if (const auto keycode = keymap.keycodeForVk(vk)) {
    return *keycode;
  }
  const KeySym keysym = XKeymap::namedKeysym(vk);
  if (keysym == NoSymbol) {
    return 0;
  }
  if (const auto keycode = keymap.keycodeForKeysym(keysym)) {
    return *keycode;
  }
  const KeySym fallback = XKeymap::namedKeysymFallback(vk);
  if (fallback != NoSymbol) {
    if (const auto keycode = keymap.keycodeForKeysym(fallback)) {
      return *keycode;
    }
  }
  if (const auto found = boundKeys.find(keysym); found != boundKeys.end()) {
    return found->second;
  }
  return mayBind ? bind(keysym) : 0;
}

KeyCode XTestInjector::State::bind(KeySym keysym) {
  if (const auto found = boundKeys.find(keysym); found != boundKeys.end()) {
    return found->second;
  }
  std::optional<KeyCode> chosen;
  for (int code = keymap.minKeycode(); code <= keymap.maxKeycode() && !chosen; ++code) {
    const auto index = static_cast<std::size_t>(code);
    if (pool.test(index) && !bound.test(index) && holdCount[index] == 0) {
      chosen = static_cast<KeyCode>(code);
    }
  }
  if (!chosen) {
    // Pool full: take the least recently used binding once no target can still be reading it.
    for (int code = keymap.minKeycode(); code <= keymap.maxKeycode(); ++code) {
      const auto index = static_cast<std::size_t>(code);
      if (bound.test(index) && holdCount[index] == 0 &&
          (!chosen || bindings[index].lastUse < bindings[*chosen].lastUse)) {
        chosen = static_cast<KeyCode>(code);
      }
    }
    if (!chosen) {
      return 0;
    }
    sendOut();
    std::this_thread::sleep_until(bindings[*chosen].lastUse + bindingGrace);
    boundKeys.erase(bindings[*chosen].keysym);
  }
  // Two equal columns: a lone keysym would be taken as a lower/upper case pair by the server.
  std::array<KeySym, 2> syms{keysym, keysym};
  XChangeKeyboardMapping(dpy, *chosen, static_cast<int>(syms.size()), syms.data(), 1);
  bindings[*chosen] = Binding{keysym, Clock::now(), true};
  anyUnsent = true;
  bound.set(*chosen);
  boundKeys[keysym] = *chosen;
  return *chosen;
}

void XTestInjector::State::unbind(KeyCode keycode) {
  KeySym none = NoSymbol;
  XChangeKeyboardMapping(dpy, keycode, 1, &none, 1);
  boundKeys.erase(bindings[keycode].keysym);
  bindings[keycode] = {};
  bound.reset(keycode);
}

void XTestInjector::State::touch(KeyCode keycode) {
  if (bound.test(keycode)) {
    bindings[keycode].lastUse = Clock::now();
    bindings[keycode].unsent = true;
    anyUnsent = true;
  }
}

void XTestInjector::State::sendKey(KeyCode keycode, bool down) {
  if (keymap.valid(keycode)) {
    XTestFakeKeyEvent(dpy, keycode, down ? True : False, CurrentTime);
  }
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
      ++s.holdCount[keycode];
    }
  } else if (keycode != 0) {
    held = 0;
    --s.holdCount[keycode];
  } else {
    keycode = s.resolve(keyCode, false);
    if (keycode == 0) {
      return;
    }
  }
  s.sendKey(keycode, down);
  s.touch(keycode);
}

void XTestInjector::mouseEvent(MouseButton button, bool down, int x, int y) {
  State& s = *state;
  s.begin();
  const Rectangle origin = s.primaryMonitor().value_or(Rectangle{});
  XTestFakeMotionEvent(s.dpy, -1, clampCoordinate(x, origin.x), clampCoordinate(y, origin.y), CurrentTime);
  XTestFakeButtonEvent(s.dpy, buttonNumber(button), down ? True : False, CurrentTime);
}

ScreenSize XTestInjector::screenSize() {
  State& s = *state;
  s.begin();
  if (const auto primary = s.primaryMonitor()) {
    return {primary->width, primary->height};
  }
  const int screen = XDefaultScreen(s.dpy);
  return {XDisplayWidth(s.dpy, screen), XDisplayHeight(s.dpy, screen)};
}

void XTestInjector::typeChar(char32_t c) {
  State& s = *state;
  s.begin();
  if (!XKeymap::typeable(c)) {
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
  s.touch(keycode);
}

void XTestInjector::flush() {
  State& s = *state;
  s.begin();
  s.sendOut();
}
