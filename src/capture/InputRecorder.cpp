#include "capture/InputRecorder.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <atomic>
#include <bitset>
#include <thread>
#include <utility>

#include "capture/RecordedText.h"
#include "keys/StopChord.h"
#include "keys/WakeUpFd.h"
#include "input/x11/XDisplay.h"
#include "tern/OwnerThread.h"

namespace {

struct DescFree {
  void operator()(XkbDescPtr desc) const { XkbFreeKeyboard(desc, XkbAllComponentsMask, True); }
};
using Desc = std::unique_ptr<XkbDescRec, DescFree>;

bool isLockKey(KeySym keysym) {
  return keysym == XKB_KEY_Caps_Lock || keysym == XKB_KEY_Shift_Lock || keysym == XKB_KEY_Num_Lock;
}

}  // namespace

struct InputRecorder::State {
  State(const std::string& displayName, const StopChord& chord, std::function<void()> chordPressed);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  void readKeymap();
  void watch() noexcept;
  void handle(XEvent& event);
  void keyEvent(int keycode, bool pressed);
  void buttonEvent(int button, bool pressed);

  const Tern::OwnerThread uiThread;
  XDisplay display;
  Window root;
  int xiOpcode = 0;
  int xkbEventBase = 0;
  const WakeUpFd wakeUp;
  const std::function<void()> onChord;
  std::atomic<bool> stopping{false};
  // The worker's alone until it is joined.
  RecordedText recorded;
  Desc desc;
  // The modifier state as the raw events make it: held keys' modifiers, lock modifiers toggled
  // by their keys, and the group, which no raw event changes.
  std::bitset<256> heldKeys;
  unsigned lockedMods = 0;
  int group = 0;
  // Started last: everything it reads exists by then.
  std::thread worker;
};

InputRecorder::State::State(const std::string& displayName, const StopChord& chord, std::function<void()> chordPressed)
    : display(displayName), root(XDefaultRootWindow(display.get())), onChord(std::move(chordPressed)),
      recorded(chord) {
  Display* dpy = display.get();
  int event = 0;
  int error = 0;
  int major = 2;
  int minor = 2;
  if (!XQueryExtension(dpy, "XInputExtension", &xiOpcode, &event, &error) ||
      XIQueryVersion(dpy, &major, &minor) != Success) {
    throw XError("The X display has no XInput 2.2: nothing can be recorded");
  }
  int xkbMajor = XkbMajorVersion;
  int xkbMinor = XkbMinorVersion;
  int xkbOpcode = 0;
  int xkbError = 0;
  if (!XkbQueryExtension(dpy, &xkbOpcode, &xkbEventBase, &xkbError, &xkbMajor, &xkbMinor)) {
    throw XError("The X display has no XKB");
  }
  // Keys bound for a moment (as xdotool binds characters its keymap lacks) are read before the
  // key events that follow them on the connection.
  XkbSelectEvents(dpy, XkbUseCoreKbd, XkbMapNotifyMask | XkbNewKeyboardNotifyMask,
                  XkbMapNotifyMask | XkbNewKeyboardNotifyMask);
  readKeymap();
  XkbStateRec state{};
  XkbGetState(dpy, XkbUseCoreKbd, &state);
  lockedMods = state.locked_mods;
  group = state.locked_group;
  // Raw events come whatever window has the focus and whoever grabs: nothing is taken from the
  // windows the user types into.
  std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
  XISetMask(bits.data(), XI_RawKeyPress);
  XISetMask(bits.data(), XI_RawKeyRelease);
  XISetMask(bits.data(), XI_RawButtonPress);
  XISetMask(bits.data(), XI_RawButtonRelease);
  XIEventMask mask{XIAllMasterDevices, static_cast<int>(bits.size()), bits.data()};
  XISelectEvents(dpy, root, &mask, 1);
  XSync(dpy, False);
  worker = std::thread([this] { watch(); });
}

InputRecorder::State::~State() {
  stopping.store(true);
  wakeUp.signal();
  if (worker.joinable()) worker.join();
}

void InputRecorder::State::readKeymap() {
  desc.reset(XkbGetMap(display.get(), XkbAllClientInfoMask, XkbUseCoreKbd));
}

void InputRecorder::State::watch() noexcept {
  Display* dpy = display.get();
  std::array<pollfd, 2> watched{{{wakeUp.get(), POLLIN, 0}, {ConnectionNumber(dpy), POLLIN, 0}}};
  while (!stopping.load()) {
    while (XPending(dpy) > 0 && !stopping.load()) {
      XEvent event{};
      XNextEvent(dpy, &event);
      handle(event);
    }
    poll(watched.data(), watched.size(), -1);
  }
}

void InputRecorder::State::handle(XEvent& event) {
  if (event.type == xkbEventBase) {
    readKeymap();
    return;
  }
  if (event.type != GenericEvent || event.xcookie.extension != xiOpcode) return;
  Display* dpy = display.get();
  if (XGetEventData(dpy, &event.xcookie) == 0) return;
  const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
  const int type = event.xcookie.evtype;
  if (type == XI_RawKeyPress || type == XI_RawKeyRelease) {
    keyEvent(raw->detail, type == XI_RawKeyPress);
  } else if (type == XI_RawButtonPress || type == XI_RawButtonRelease) {
    buttonEvent(raw->detail, type == XI_RawButtonPress);
  }
  XFreeEventData(dpy, &event.xcookie);
}

void InputRecorder::State::keyEvent(int keycode, bool pressed) {
  if (!desc || keycode < desc->min_key_code || keycode > desc->max_key_code || recorded.finished()) return;
  const auto code = static_cast<KeyCode>(keycode);
  // Key repeat gives presses without releases; a key is pressed once.
  if (pressed && heldKeys.test(code)) return;
  const unsigned keyMods = desc->map->modmap[code];
  unsigned heldMods = 0;
  for (std::size_t k = 0; k < heldKeys.size(); ++k) {
    if (heldKeys.test(k)) heldMods |= desc->map->modmap[k];
  }
  unsigned consumed = 0;
  KeySym keysym = NoSymbol;
  const unsigned mods = heldMods | lockedMods;
  XkbTranslateKeyCode(desc.get(), code, XkbBuildCoreState(mods, group), &consumed, &keysym);
  const KeySym base = XkbKeycodeToKeysym(display.get(), code, group, 0);
  if (pressed && isLockKey(base)) lockedMods ^= keyMods;
  heldKeys.set(code, pressed && !isLockKey(base));
  RecordedText::Key key;
  key.pressed = pressed;
  key.keysym = static_cast<std::uint32_t>(keysym);
  key.baseKeysym = static_cast<std::uint32_t>(base);
  key.character = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym));
  key.shiftShown = (mods & consumed & ShiftMask) != 0;
  recorded.key(key);
  if (recorded.finished()) onChord();
}

void InputRecorder::State::buttonEvent(int button, bool pressed) {
  if (recorded.finished()) return;
  Window child = None;
  Window rootReturn = None;
  int x = 0;
  int y = 0;
  int winX = 0;
  int winY = 0;
  unsigned mask = 0;
  // Raw events carry no position: the pointer is where the button went, give or take a motion
  // handled since.
  XQueryPointer(display.get(), root, &rootReturn, &child, &x, &y, &winX, &winY, &mask);
  recorded.button({pressed, button, x, y});
}

InputRecorder::InputRecorder(const std::string& displayName, const StopChord& chord,
                             std::function<void()> chordPressed)
    : state(std::make_unique<State>(displayName, chord, std::move(chordPressed))) {}

InputRecorder::~InputRecorder() { state->uiThread.assertCurrent("InputRecorder::~InputRecorder"); }

std::string InputRecorder::stop(bool withoutLastClick) {
  state->uiThread.assertCurrent("InputRecorder::stop");
  state->stopping.store(true);
  state->wakeUp.signal();
  if (state->worker.joinable()) state->worker.join();
  if (withoutLastClick) state->recorded.dropLastClick();
  return state->recorded.text();
}
