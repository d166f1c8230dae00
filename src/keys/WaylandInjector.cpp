#include "keys/WaylandInjector.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <list>
#include <utility>
#include <optional>
#include <string_view>
#include <thread>

#include "keys/InputPacer.h"
#include "keys/KeyPositions.h"
#include "keys/VirtualKeymap.h"
#include "tern/OwnerThread.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace {

template <typename T, void (*destroy)(T*)>
struct ProxyDeleter {
  void operator()(T* proxy) const { destroy(proxy); }
};
template <typename T, void (*destroy)(T*)>
using Proxy = std::unique_ptr<T, ProxyDeleter<T, destroy>>;

using DisplayPtr = Proxy<wl_display, wl_display_disconnect>;
using RegistryPtr = Proxy<wl_registry, wl_registry_destroy>;
using SeatPtr = Proxy<wl_seat, wl_seat_destroy>;
using KeyboardPtr = Proxy<wl_keyboard, wl_keyboard_destroy>;
using OutputPtr = Proxy<wl_output, wl_output_destroy>;
using XdgOutputManagerPtr = Proxy<zxdg_output_manager_v1, zxdg_output_manager_v1_destroy>;
using XdgOutputPtr = Proxy<zxdg_output_v1, zxdg_output_v1_destroy>;
using KeyboardManagerPtr = Proxy<zwp_virtual_keyboard_manager_v1, zwp_virtual_keyboard_manager_v1_destroy>;
using VirtualKeyboardPtr = Proxy<zwp_virtual_keyboard_v1, zwp_virtual_keyboard_v1_destroy>;
using PointerManagerPtr = Proxy<zwlr_virtual_pointer_manager_v1, zwlr_virtual_pointer_manager_v1_destroy>;
using VirtualPointerPtr = Proxy<zwlr_virtual_pointer_v1, zwlr_virtual_pointer_v1_destroy>;

class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : fd(descriptor) {}
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  [[nodiscard]] int get() const { return fd; }

 private:
  int fd;
};

class Mapping {
 public:
  Mapping(int fd, std::size_t size) : length(size), data(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)) {}
  ~Mapping() {
    if (data != MAP_FAILED) munmap(data, length);
  }
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;
  [[nodiscard]] std::optional<std::string> text() const {
    if (data == MAP_FAILED) return std::nullopt;
    const auto* bytes = static_cast<const char*>(data);
    return std::string(bytes, std::find(bytes, bytes + length, '\0'));
  }

 private:
  std::size_t length;
  void* data;
};

struct Rectangle {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ModifierState {
  std::uint32_t depressed = 0;
  std::uint32_t latched = 0;
  std::uint32_t locked = 0;
  std::uint32_t group = 0;
  friend bool operator==(const ModifierState&, const ModifierState&) = default;
};

struct Output {
  std::uint32_t name = 0;
  OutputPtr output;
  XdgOutputPtr xdgOutput;
  // The output in the compositor's layout, in logical pixels when xdg-output says so.
  Rectangle area;
  bool logical = false;
};

std::uint32_t milliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::uint32_t buttonCode(MouseButton button) {
  switch (button) {
    case MouseButton::left: return BTN_LEFT;
    case MouseButton::right: return BTN_RIGHT;
    case MouseButton::middle: return BTN_MIDDLE;
  }
  return BTN_LEFT;
}

// Injectors made so far in this process.
std::atomic<unsigned> injectorCount{0};

// Wayland key codes are evdev codes; XKB's are eight more.
constexpr std::uint32_t xkbKeycodeOffset = 8;

}  // namespace

struct WaylandInjector::State {
  const Tern::OwnerThread uiThread;
  explicit State(const Options& options);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  [[nodiscard]] bool alive() const { return wl_display_get_error(display.get()) == 0; }
  void begin();
  void pumpEvents();
  void adoptOfferedKeymap();
  void useKeymap(VirtualKeymap fresh);
  void upload();
  void flushOut();
  void pace();
  [[nodiscard]] std::uint32_t resolve(std::uint8_t vk, bool mayAdd);
  void sendKey(std::uint32_t keycode, bool down);
  void sendModifiers(xkb_mod_mask_t depressed);
  [[nodiscard]] std::optional<Rectangle> outputsUnion() const;
  void addOutput(std::uint32_t name, std::uint32_t version);
  void watchOutput(Output& output);

  static const wl_registry_listener registryListener;
  static const wl_seat_listener seatListener;
  static const wl_keyboard_listener keyboardListener;
  static const wl_output_listener outputListener;
  static const zxdg_output_v1_listener xdgOutputListener;

  // Declared first, so that it closes after every object of the connection.
  DisplayPtr display;
  RegistryPtr registry;
  SeatPtr seat;
  KeyboardPtr keyboard;
  XdgOutputManagerPtr xdgOutputManager;
  KeyboardManagerPtr keyboardManager;
  PointerManagerPtr pointerManager;
  VirtualKeyboardPtr virtualKeyboard;
  VirtualPointerPtr virtualPointer;
  std::list<Output> outputs;

  const bool fixedLayout;
  // Names our keymaps apart from any other virtual keyboard's, another injector's included.
  const std::string owner = "zentak-" + std::to_string(getpid()) + "-" + std::to_string(++injectorCount);
  std::optional<VirtualKeymap> keymap;
  std::uint64_t keymapsUsed = 0;
  std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> keyState{nullptr, &xkb_state_unref};
  // The compositor's keymap for this connection's keyboard, not looked at yet.
  std::optional<std::string> offeredKeymap;
  ModifierState sentModifiers;
  InputPacer pacer{InputPacer::wlroots};
  std::array<std::uint32_t, 256> heldKeyOfVk{};
};

const wl_registry_listener WaylandInjector::State::registryListener = {
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
      auto& s = *static_cast<State*>(data);
      const std::string_view kind(interface);
      if (kind == wl_seat_interface.name && !s.seat) {
        s.seat.reset(static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 4U))));
        wl_seat_add_listener(s.seat.get(), &seatListener, &s);
      } else if (kind == zwp_virtual_keyboard_manager_v1_interface.name) {
        s.keyboardManager.reset(static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1)));
      } else if (kind == zwlr_virtual_pointer_manager_v1_interface.name) {
        s.pointerManager.reset(static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1)));
      } else if (kind == zxdg_output_manager_v1_interface.name) {
        s.xdgOutputManager.reset(static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, std::min(version, 2U))));
        for (Output& output : s.outputs) s.watchOutput(output);
      } else if (kind == wl_output_interface.name) {
        s.addOutput(name, version);
      }
    },
    [](void* data, wl_registry*, std::uint32_t name) {
      static_cast<State*>(data)->outputs.remove_if([name](const Output& output) { return output.name == name; });
    },
};

const wl_seat_listener WaylandInjector::State::seatListener = {
    [](void* data, wl_seat* seat, std::uint32_t capabilities) {
      auto& s = *static_cast<State*>(data);
      const bool hasKeyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
      if (hasKeyboard && !s.keyboard && !s.fixedLayout) {
        s.keyboard.reset(wl_seat_get_keyboard(seat));
        wl_keyboard_add_listener(s.keyboard.get(), &keyboardListener, &s);
      } else if (!hasKeyboard) {
        s.keyboard.reset();
      }
    },
    [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener WaylandInjector::State::keyboardListener = {
    [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
      const FileDescriptor owned(fd);
      if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) return;
      if (auto text = Mapping(owned.get(), size).text()) static_cast<State*>(data)->offeredKeymap = std::move(text);
    },
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_output_listener WaylandInjector::State::outputListener = {
    [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t, std::int32_t,
       const char*, const char*, std::int32_t) {
      auto& output = *static_cast<Output*>(data);
      if (!output.logical) {
        output.area.x = x;
        output.area.y = y;
      }
    },
    [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t) {
      auto& output = *static_cast<Output*>(data);
      if (!output.logical && (flags & WL_OUTPUT_MODE_CURRENT) != 0) {
        output.area.width = width;
        output.area.height = height;
      }
    },
    [](void*, wl_output*) {},
    [](void*, wl_output*, std::int32_t) {},
    [](void*, wl_output*, const char*) {},
    [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener WaylandInjector::State::xdgOutputListener = {
    [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
      auto& output = *static_cast<Output*>(data);
      output.logical = true;
      output.area.x = x;
      output.area.y = y;
    },
    [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
      auto& output = *static_cast<Output*>(data);
      output.logical = true;
      output.area.width = width;
      output.area.height = height;
    },
    [](void*, zxdg_output_v1*) {},
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

WaylandInjector::State::State(const Options& options) : fixedLayout(!options.layout.empty()) {
  display.reset(wl_display_connect(options.display.empty() ? nullptr : options.display.c_str()));
  if (!display) throw WaylandError("Cannot connect to the Wayland compositor");
  registry.reset(wl_display_get_registry(display.get()));
  wl_registry_add_listener(registry.get(), &registryListener, this);
  // The first round trip announces the globals; the second their first events (the seat's
  // keyboard, the outputs' positions); the third the keymap of the keyboard asked for then.
  for (int trip = 0; trip < 3; ++trip) {
    if (wl_display_roundtrip(display.get()) < 0) throw WaylandError("The Wayland compositor closed the connection");
  }
  if (!seat || !keyboardManager || !pointerManager) {
    throw WaylandError("The Wayland compositor offers no virtual keyboard and pointer");
  }
  virtualKeyboard.reset(zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager.get(), seat.get()));
  virtualPointer.reset(zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager.get(), seat.get()));
  try {
    if (fixedLayout) {
      useKeymap(VirtualKeymap::fromLayout(options.layout));
    } else if (offeredKeymap) {
      adoptOfferedKeymap();
    }
    if (!keymap) useKeymap(VirtualKeymap::fromLayout({}));
  } catch (const std::runtime_error& error) {
    throw WaylandError(error.what());
  }
  if (wl_display_roundtrip(display.get()) < 0) {
    throw WaylandError("The Wayland compositor refused the virtual keyboard or pointer");
  }
}

WaylandInjector::State::~State() {
  if (!alive()) return;
  for (std::uint32_t& keycode : heldKeyOfVk) {
    if (keycode != 0) sendKey(std::exchange(keycode, 0), false);
  }
  virtualKeyboard.reset();
  virtualPointer.reset();
  wl_display_roundtrip(display.get());
}

void WaylandInjector::State::addOutput(std::uint32_t name, std::uint32_t version) {
  Output& output = outputs.emplace_back();
  output.name = name;
  output.output.reset(
      static_cast<wl_output*>(wl_registry_bind(registry.get(), name, &wl_output_interface, std::min(version, 2U))));
  wl_output_add_listener(output.output.get(), &outputListener, &output);
  watchOutput(output);
}

void WaylandInjector::State::watchOutput(Output& output) {
  if (!xdgOutputManager || output.xdgOutput) return;
  output.xdgOutput.reset(zxdg_output_manager_v1_get_xdg_output(xdgOutputManager.get(), output.output.get()));
  zxdg_output_v1_add_listener(output.xdgOutput.get(), &xdgOutputListener, &output);
}

void WaylandInjector::State::begin() {
  pumpEvents();
  if (offeredKeymap) adoptOfferedKeymap();
}

// Reads without sending: what was injected goes out at the pace's bursts, so that the compositor
// passes it on to the window in few large writes (see InputPacer).
void WaylandInjector::State::pumpEvents() {
  wl_display* d = display.get();
  if (!alive()) return;
  while (wl_display_prepare_read(d) != 0) wl_display_dispatch_pending(d);
  pollfd ready{wl_display_get_fd(d), POLLIN, 0};
  if (poll(&ready, 1, 0) > 0) {
    wl_display_read_events(d);
  } else {
    wl_display_cancel_read(d);
  }
  wl_display_dispatch_pending(d);
}

// The compositor hands our keyboard whatever keymap its active keyboard has, which is one of
// ours (perhaps older than the last) after we typed and the user's after the user did.
void WaylandInjector::State::adoptOfferedKeymap() {
  const std::string text = std::move(*offeredKeymap);
  offeredKeymap.reset();
  if (keymap && keymap->isOwn(text)) return;
  try {
    VirtualKeymap offered(text);
    if (keymap && offered.layoutText() == keymap->layoutText()) return;
    useKeymap(std::move(offered));
  } catch (const std::runtime_error&) {
    // A keymap that does not compile here leaves the one in use.
  }
}

void WaylandInjector::State::useKeymap(VirtualKeymap fresh) {
  fresh.setOwner(owner);
  keymap.emplace(std::move(fresh));
  ++keymapsUsed;
  keyState.reset(xkb_state_new(keymap->layoutKeymap()));
  heldKeyOfVk.fill(0);
  sentModifiers = {};
  upload();
}

void WaylandInjector::State::upload() {
  const std::string& text = keymap->text();
  const FileDescriptor fd(memfd_create("zentak-keymap", MFD_CLOEXEC));
  if (fd.get() < 0) return;
  std::size_t written = 0;
  while (written <= text.size()) {
    const ssize_t n = write(fd.get(), text.c_str() + written, text.size() + 1 - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<std::size_t>(n);
  }
  zwp_virtual_keyboard_v1_keymap(virtualKeyboard.get(), WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd.get(),
                                 static_cast<std::uint32_t>(text.size() + 1));
  // The compositor passes the keymap on to the focused client before any key sent after it; a
  // round trip makes sure it has taken it before the keys that need it follow.
  wl_display_roundtrip(display.get());
}

void WaylandInjector::State::flushOut() {
  wl_display* d = display.get();
  while (alive() && wl_display_flush(d) < 0 && errno == EAGAIN) {
    pollfd writable{wl_display_get_fd(d), POLLOUT, 0};
    poll(&writable, 1, -1);
  }
}

// Every request that makes the compositor send the focused window an event counts.
void WaylandInjector::State::pace() {
  const auto now = InputPacer::Clock::now();
  const InputPacer::Step step = pacer.sent(now);
  if (step.roundTrip) wl_display_roundtrip(display.get());
  if (step.wait > InputPacer::Clock::duration::zero()) {
    flushOut();
    std::this_thread::sleep_until(now + step.wait);
  }
}

std::uint32_t WaylandInjector::State::resolve(std::uint8_t vk, bool mayAdd) {
  if (const auto keycode = keymap->keycodeForVk(vk)) return *keycode;
  if (!mayAdd) return 0;
  const std::uint32_t keycode = keymap->addKeysym(KeyPositions::namedKeysym(vk));
  if (keycode != 0) upload();
  return keycode;
}

// The compositor takes a virtual keyboard's modifier state from its modifiers requests alone,
// not from its keys: the state the keys make is kept here and sent whenever it changes.
void WaylandInjector::State::sendKey(std::uint32_t keycode, bool down) {
  zwp_virtual_keyboard_v1_key(virtualKeyboard.get(), milliseconds(), keycode - xkbKeycodeOffset,
                              down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
  const auto changed = xkb_state_update_key(keyState.get(), keycode, down ? XKB_KEY_DOWN : XKB_KEY_UP);
  if (changed != 0) sendModifiers(xkb_state_serialize_mods(keyState.get(), XKB_STATE_MODS_DEPRESSED));
  pace();
}

void WaylandInjector::State::sendModifiers(xkb_mod_mask_t depressed) {
  const ModifierState wanted{depressed, xkb_state_serialize_mods(keyState.get(), XKB_STATE_MODS_LATCHED),
                             xkb_state_serialize_mods(keyState.get(), XKB_STATE_MODS_LOCKED),
                             xkb_state_serialize_layout(keyState.get(), XKB_STATE_LAYOUT_EFFECTIVE)};
  if (wanted == sentModifiers) return;
  sentModifiers = wanted;
  zwp_virtual_keyboard_v1_modifiers(virtualKeyboard.get(), wanted.depressed, wanted.latched, wanted.locked,
                                    wanted.group);
  pace();
}

std::optional<Rectangle> WaylandInjector::State::outputsUnion() const {
  std::optional<Rectangle> area;
  int right = 0;
  int bottom = 0;
  for (const Output& output : outputs) {
    const Rectangle& r = output.area;
    if (r.width <= 0 || r.height <= 0) continue;
    if (!area) {
      area = r;
      right = r.x + r.width;
      bottom = r.y + r.height;
      continue;
    }
    area->x = std::min(area->x, r.x);
    area->y = std::min(area->y, r.y);
    right = std::max(right, r.x + r.width);
    bottom = std::max(bottom, r.y + r.height);
  }
  if (area) {
    area->width = right - area->x;
    area->height = bottom - area->y;
  }
  return area;
}

WaylandInjector::WaylandInjector(const Options& options) : state(std::make_unique<State>(options)) {}

WaylandInjector::~WaylandInjector() = default;

void WaylandInjector::keyEvent(std::uint8_t keyCode, bool down) {
  state->uiThread.assertCurrent("WaylandInjector::keyEvent");
  State& s = *state;
  s.begin();
  if (!s.alive()) return;
  std::uint32_t& held = s.heldKeyOfVk[keyCode];
  std::uint32_t keycode = held;
  if (down && keycode == 0) {
    keycode = s.resolve(keyCode, true);
    held = keycode;
  } else if (!down && keycode != 0) {
    held = 0;
  } else if (!down) {
    keycode = s.resolve(keyCode, false);
  }
  if (keycode == 0) return;
  s.keymap->use(keycode);
  s.keymap->setHeld(keycode, std::ranges::find(s.heldKeyOfVk, keycode) != s.heldKeyOfVk.end());
  s.sendKey(keycode, down);
}

void WaylandInjector::mouseEvent(MouseButton button, bool down, int x, int y) {
  state->uiThread.assertCurrent("WaylandInjector::mouseEvent");
  State& s = *state;
  s.begin();
  const std::optional<Rectangle> area = s.outputsUnion();
  if (!s.alive() || !area) return;
  const auto px = static_cast<std::uint32_t>(std::clamp(x, 0, area->width - 1));
  const auto py = static_cast<std::uint32_t>(std::clamp(y, 0, area->height - 1));
  zwlr_virtual_pointer_v1* pointer = s.virtualPointer.get();
  zwlr_virtual_pointer_v1_motion_absolute(pointer, milliseconds(), px, py, static_cast<std::uint32_t>(area->width),
                                          static_cast<std::uint32_t>(area->height));
  zwlr_virtual_pointer_v1_frame(pointer);
  s.pace();
  zwlr_virtual_pointer_v1_button(pointer, milliseconds(), buttonCode(button),
                                 down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
  zwlr_virtual_pointer_v1_frame(pointer);
  s.pace();
}

ScreenSize WaylandInjector::screenSize() {
  state->uiThread.assertCurrent("WaylandInjector::screenSize");
  state->begin();
  const std::optional<Rectangle> area = state->outputsUnion();
  return area ? ScreenSize{area->width, area->height} : ScreenSize{};
}

void WaylandInjector::typeChar(char32_t c) {
  state->uiThread.assertCurrent("WaylandInjector::typeChar");
  State& s = *state;
  s.begin();
  if (!s.alive() || !KeyPositions::typeable(c)) return;
  std::uint32_t keycode = 0;
  xkb_mod_mask_t mods = 0;
  if (const VirtualKeymap::Stroke* stroke = s.keymap->strokeFor(c)) {
    keycode = stroke->keycode;
    mods = stroke->mods;
    s.keymap->use(keycode);
  } else {
    keycode = s.keymap->add(c);
    if (keycode == 0) return;
    s.upload();
  }
  // Modifiers the character needs are added to those held, for its key only.
  const xkb_mod_mask_t depressed = xkb_state_serialize_mods(s.keyState.get(), XKB_STATE_MODS_DEPRESSED);
  const bool extra = (mods & ~depressed) != 0;
  if (extra) s.sendModifiers(depressed | mods);
  s.sendKey(keycode, true);
  s.sendKey(keycode, false);
  if (extra) s.sendModifiers(depressed);
}

void WaylandInjector::flush() {
  state->uiThread.assertCurrent("WaylandInjector::flush");
  state->begin();
  state->flushOut();
}

void WaylandInjector::sync() {
  state->uiThread.assertCurrent("WaylandInjector::sync");
  state->begin();
}

std::uint64_t WaylandInjector::generation() const {
  state->uiThread.assertCurrent("WaylandInjector::generation");
  return state->keymapsUsed;
}

std::optional<KeyScan> WaylandInjector::keyScan(char32_t c) const {
  state->uiThread.assertCurrent("WaylandInjector::keyScan");
  return state->keymap->keyScan(c);
}
