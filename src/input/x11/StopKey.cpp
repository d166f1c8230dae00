#include "input/x11/StopKey.h"

#include <poll.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "keys/StopChord.h"
#include "keys/WakeUpFd.h"
#include "input/x11/XDisplay.h"
#include "tern/OwnerThread.h"

namespace {

struct Disconnect {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

// Replies, errors and events come from malloc.
struct Free {
  void operator()(void* block) const { std::free(block); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

// The key and the modifier bits of a grabbed chord.
struct Grab {
  xcb_keycode_t keycode = 0;
  std::uint16_t modifiers = 0;
};

constexpr std::uint16_t allModifiers = 0xff;

// A grab as one value that the worker can read while the UI thread changes it.
std::uint32_t pack(const Grab& grab) { return grab.keycode | (std::uint32_t{grab.modifiers} << 8); }

// The core keyboard mapping: every keycode's keysyms, column by column.
class KeyboardMapping {
 public:
  KeyboardMapping(xcb_connection_t* connection, const xcb_setup_t& setup)
      : first(setup.min_keycode),
        reply(xcb_get_keyboard_mapping_reply(
            connection,
            xcb_get_keyboard_mapping(connection, first, static_cast<std::uint8_t>(setup.max_keycode - first + 1)),
            nullptr)) {
    if (reply) {
      syms = xcb_get_keyboard_mapping_keysyms(reply.get());
      perKeycode = reply->keysyms_per_keycode;
      keycodes = perKeycode == 0 ? 0 : xcb_get_keyboard_mapping_keysyms_length(reply.get()) / perKeycode;
    }
  }

  // The key giving the keysym in the lowest column, as the core protocol's lookup picks it.
  [[nodiscard]] std::optional<xcb_keycode_t> keycodeOf(xcb_keysym_t keysym) const {
    for (int column = 0; column < perKeycode; ++column) {
      for (int index = 0; index < keycodes; ++index) {
        if (syms[index * perKeycode + column] == keysym) {
          return static_cast<xcb_keycode_t>(first + index);
        }
      }
    }
    return std::nullopt;
  }

  [[nodiscard]] bool carries(xcb_keycode_t keycode, std::initializer_list<xcb_keysym_t> wanted) const {
    const int index = keycode - first;
    if (index < 0 || index >= keycodes) {
      return false;
    }
    for (int column = 0; column < perKeycode; ++column) {
      for (const xcb_keysym_t keysym : wanted) {
        if (syms[index * perKeycode + column] == keysym) {
          return true;
        }
      }
    }
    return false;
  }

 private:
  xcb_keycode_t first;
  Owned<xcb_get_keyboard_mapping_reply_t> reply;
  const xcb_keysym_t* syms = nullptr;
  int perKeycode = 0;
  int keycodes = 0;
};

// The modifier bit whose keys carry one of the keysyms, or the fallback when none does.
std::uint16_t modifierOf(const xcb_get_modifier_mapping_reply_t& modmap, const KeyboardMapping& mapping,
                         std::initializer_list<xcb_keysym_t> keysyms, std::uint16_t fallback) {
  const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(&modmap);
  const int perModifier = modmap.keycodes_per_modifier;
  for (int modifier = 0; modifier < 8; ++modifier) {
    for (int slot = 0; slot < perModifier; ++slot) {
      const xcb_keycode_t keycode = keys[modifier * perModifier + slot];
      if (keycode != 0 && mapping.carries(keycode, keysyms)) {
        return static_cast<std::uint16_t>(1U << modifier);
      }
    }
  }
  return fallback;
}

std::string describe(const std::string& name) {
  if (!name.empty()) {
    return name;
  }
  const char* fromEnvironment = std::getenv("DISPLAY");
  return fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "(DISPLAY not set)";
}

}  // namespace

struct StopKey::State {
  State(const std::string& displayName, std::function<void()> pressed);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  [[nodiscard]] std::optional<Grab> lookUp(const StopChord& chord);
  [[nodiscard]] bool grabAll(const Grab& grab) noexcept;
  void ungrab(xcb_keycode_t keycode) noexcept;
  void watch() noexcept;
  void pressedKey(const xcb_key_press_event_t& press, std::uint32_t sequence) noexcept;
  [[nodiscard]] bool isChord(std::uint8_t keycode, unsigned modifiers) const noexcept;
  void pressedAside() noexcept;
  void letGo() noexcept;

  const Tern::OwnerThread uiThread;
  Connection connection;
  xcb_window_t root = XCB_NONE;
  const WakeUpFd wakeUp;
  const std::function<void()> onPressed;
  std::atomic<bool> stopping{false};
  // The chord as grabbed; kept while the grab is lifted for a key of the run. UI thread only.
  std::optional<Grab> current;
  // The same for the worker, keycode and modifier bits packed; 0 when nothing is grabbed.
  std::atomic<std::uint32_t> watchedChord{0};
  // Whether the keyboard is held since a press of the chord.
  std::atomic<bool> holding{false};
  // The request that last let go of the keyboard: a press the server handled before it is not
  // a new one, and must not take the keyboard again.
  std::atomic<std::uint32_t> letGoRequest{0};
  // Started last: everything it reads exists by then.
  std::thread worker;
};

StopKey::State::State(const std::string& displayName, std::function<void()> pressed)
    : onPressed(std::move(pressed)) {
  int screen = 0;
  connection.reset(xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screen));
  if (xcb_connection_has_error(connection.get()) != 0) {
    throw XError("Cannot open X display " + describe(displayName));
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
  for (; screen > 0 && screens.rem > 1; --screen) {
    xcb_screen_next(&screens);
  }
  root = screens.data->root;
  worker = std::thread([this] { watch(); });
}

StopKey::State::~State() {
  stopping.store(true);
  wakeUp.signal();
  worker.join();
}

// Alt and Super are whichever modifier bits the keymap gives Alt_L/Alt_R and Super_L/Super_R,
// Mod1 and Mod4 on common keymaps.
std::optional<Grab> StopKey::State::lookUp(const StopChord& chord) {
  xcb_connection_t* c = connection.get();
  const KeyboardMapping mapping(c, *xcb_get_setup(c));
  const Owned<xcb_get_modifier_mapping_reply_t> modmap(
      xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
  // Reading the replies may have taken events into the connection's queue.
  wakeUp.signal();
  const std::optional<xcb_keycode_t> keycode = mapping.keycodeOf(chord.keysym());
  if (!modmap || !keycode) {
    return std::nullopt;
  }
  const std::uint8_t mods = chord.modifiers();
  unsigned mask = 0;
  if ((mods & StopChord::ctrl) != 0) mask |= XCB_MOD_MASK_CONTROL;
  if ((mods & StopChord::shift) != 0) mask |= XCB_MOD_MASK_SHIFT;
  if ((mods & StopChord::alt) != 0) mask |= modifierOf(*modmap, mapping, {XKB_KEY_Alt_L, XKB_KEY_Alt_R}, XCB_MOD_MASK_1);
  if ((mods & StopChord::super) != 0) {
    mask |= modifierOf(*modmap, mapping, {XKB_KEY_Super_L, XKB_KEY_Super_R}, XCB_MOD_MASK_4);
  }
  return Grab{*keycode, static_cast<std::uint16_t>(mask)};
}

// A passive grab matches the modifier state exactly, so the chord is grabbed once with each
// combination of the modifiers outside it: locks (CapsLock, NumLock, Mod3, AltGr on Mod5) and
// whatever else is held. All or nothing: one refused combination undoes the others.
bool StopKey::State::grabAll(const Grab& grab) noexcept {
  xcb_connection_t* c = connection.get();
  const auto others = static_cast<std::uint16_t>(allModifiers & ~grab.modifiers);
  std::array<xcb_void_cookie_t, allModifiers + 1> cookies{};
  std::size_t sent = 0;
  std::uint16_t subset = 0;
  do {
    // The chord's press freezes the keyboard: nothing typed after it, the run's keys among them,
    // reaches any window before the worker has taken the keyboard (pressedKey).
    cookies[sent++] = xcb_grab_key_checked(c, 0, root, static_cast<std::uint16_t>(grab.modifiers | subset),
                                           grab.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC);
    subset = static_cast<std::uint16_t>((subset - others) & others);
  } while (subset != 0);
  bool refused = false;
  for (std::size_t i = 0; i < sent; ++i) {
    const Owned<xcb_generic_error_t> error(xcb_request_check(c, cookies[i]));
    refused = refused || error != nullptr;
  }
  // A lost connection answers no request with an error, yet grants nothing.
  refused = refused || xcb_connection_has_error(c) != 0;
  if (refused) {
    ungrab(grab.keycode);
  }
  wakeUp.signal();
  return !refused;
}

// Returns once the server has processed the ungrab.
void StopKey::State::ungrab(xcb_keycode_t keycode) noexcept {
  xcb_connection_t* c = connection.get();
  const Owned<xcb_generic_error_t> error(
      xcb_request_check(c, xcb_ungrab_key_checked(c, keycode, root, XCB_MOD_MASK_ANY)));
  // Waiting for the answer may have read events the worker has not seen yet.
  wakeUp.signal();
}

// The UI thread's round trips read from the same connection and may take events into the
// connection's queue while this waits in poll, so each of them ends with a wake-up.
void StopKey::State::watch() noexcept {
  xcb_connection_t* c = connection.get();
  std::array<pollfd, 2> watched{{{wakeUp.get(), POLLIN, 0}, {xcb_get_file_descriptor(c), POLLIN, 0}}};
  while (!stopping.load()) {
    for (Owned<xcb_generic_event_t> event(xcb_poll_for_event(c)); event; event.reset(xcb_poll_for_event(c))) {
      // Only the grabs send key events to this connection.
      if ((event->response_type & 0x7f) == XCB_KEY_PRESS) {
        pressedKey(*reinterpret_cast<const xcb_key_press_event_t*>(event.get()), event->full_sequence);
      }
    }
    // A broken connection stays readable for good; then only the wake-up is worth waiting for.
    const nfds_t count = xcb_connection_has_error(c) != 0 ? 1 : 2;
    if (poll(watched.data(), count, -1) > 0 && (watched[0].revents & POLLIN) != 0) {
      wakeUp.drain();
    }
  }
}

// The first press of the chord takes the keyboard until letGo: whatever the server handles after
// the press, the rest of the run's text in flight and any key the user's fingers still press,
// comes here and goes nowhere, so none of it lands in the user's window with the chord's
// modifiers down. An active grab of our own, unlike the passive one, outlasts the chord's key.
void StopKey::State::pressedKey(const xcb_key_press_event_t& press, std::uint32_t sequence) noexcept {
  xcb_connection_t* c = connection.get();
  const bool chord = isChord(press.detail, press.state);
  if (holding.load()) {
    if (chord) onPressed();
    return;
  }
  const bool take = chord && sequence >= letGoRequest.load();
  if (take) {
    xcb_grab_keyboard(c, 0, root, press.time, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    holding.store(true);
  }
  // Taken or not, the keyboard must not stay frozen; with the grab in place this changes nothing.
  xcb_allow_events(c, XCB_ALLOW_ASYNC_KEYBOARD, XCB_CURRENT_TIME);
  xcb_flush(c);
  if (take) onPressed();
}

bool StopKey::State::isChord(std::uint8_t keycode, unsigned modifiers) const noexcept {
  const std::uint32_t chord = watchedChord.load();
  return chord != 0 && keycode == (chord & 0xff) && ((modifiers & (chord >> 8)) == chord >> 8);
}

// As at a press the grab took, the keyboard is taken first, so that none of the run's keys sent
// after this returns reaches a window. Returns once the server has answered.
void StopKey::State::pressedAside() noexcept {
  if (!holding.exchange(true)) {
    xcb_connection_t* c = connection.get();
    const Owned<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
    // Waiting for the answer may have read events the worker has not seen yet.
    wakeUp.signal();
  }
  onPressed();
}

// Returns once the server has processed the ungrab.
void StopKey::State::letGo() noexcept {
  if (!holding.load()) return;
  xcb_connection_t* c = connection.get();
  const xcb_void_cookie_t cookie = xcb_ungrab_keyboard_checked(c, XCB_CURRENT_TIME);
  letGoRequest.store(cookie.sequence);
  holding.store(false);
  const Owned<xcb_generic_error_t> error(xcb_request_check(c, cookie));
  wakeUp.signal();
}

StopKey::StopKey(const std::string& displayName, std::function<void()> pressed)
    : state(std::make_unique<State>(displayName, std::move(pressed))) {}

StopKey::~StopKey() {
  state->uiThread.assertCurrent("StopKey::~StopKey");
  release();
}

bool StopKey::grab(const StopChord& chord) {
  state->uiThread.assertCurrent("StopKey::grab");
  release();
  const std::optional<Grab> wanted = state->lookUp(chord);
  if (!wanted || !state->grabAll(*wanted)) {
    return false;
  }
  state->current = wanted;
  state->watchedChord.store(pack(*wanted));
  return true;
}

void StopKey::release() {
  state->uiThread.assertCurrent("StopKey::release");
  if (state->current) {
    state->ungrab(state->current->keycode);
    state->current.reset();
    state->watchedChord.store(0);
  }
  state->letGo();
}

void StopKey::letGo() {
  state->uiThread.assertCurrent("StopKey::letGo");
  state->letGo();
}

bool StopKey::grabbed() const {
  state->uiThread.assertCurrent("StopKey::grabbed");
  return state->current.has_value();
}

bool StopKey::chordHeld() const {
  state->uiThread.assertCurrent("StopKey::chordHeld");
  if (!state->current) return false;
  xcb_connection_t* c = state->connection.get();
  const auto pointerCookie = xcb_query_pointer(c, state->root);
  const auto keymapCookie = xcb_query_keymap(c);
  const Owned<xcb_query_pointer_reply_t> pointer(xcb_query_pointer_reply(c, pointerCookie, nullptr));
  const Owned<xcb_query_keymap_reply_t> keymap(xcb_query_keymap_reply(c, keymapCookie, nullptr));
  // Waiting for the answers may have read events the worker has not seen yet.
  state->wakeUp.signal();
  if (!pointer || !keymap) return false;
  const xcb_keycode_t key = state->current->keycode;
  const bool keyDown = (keymap->keys[key / 8] & (1U << (key % 8))) != 0;
  return keyDown || (pointer->mask & state->current->modifiers) != 0;
}

bool StopKey::covers(std::uint8_t keycode) const {
  state->uiThread.assertCurrent("StopKey::covers");
  return state->current && state->current->keycode == keycode;
}

void StopKey::suspend() noexcept {
  state->uiThread.assertCurrent("StopKey::suspend");
  if (state->current) {
    state->ungrab(state->current->keycode);
  }
}

void StopKey::pressedAside(std::uint8_t keycode, unsigned modifiers) noexcept {
  state->uiThread.assertCurrent("StopKey::pressedAside");
  if (state->isChord(keycode, modifiers)) state->pressedAside();
}

void StopKey::resume() noexcept {
  state->uiThread.assertCurrent("StopKey::resume");
  if (state->current && !state->grabAll(*state->current)) {
    state->current.reset();
  }
}
