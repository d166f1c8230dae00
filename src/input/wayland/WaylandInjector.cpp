#include "input/wayland/WaylandInjector.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <optional>
#include <string_view>
#include <utility>

#include "keys/InputPacer.h"
#include "keys/KeyPositions.h"
#include "keys/VirtualKeymap.h"
#include "tern/OwnerThread.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

using KeyboardManagerPtr = WaylandProxy<zwp_virtual_keyboard_manager_v1, zwp_virtual_keyboard_manager_v1_destroy>;
using VirtualKeyboardPtr = WaylandProxy<zwp_virtual_keyboard_v1, zwp_virtual_keyboard_v1_destroy>;
using PointerManagerPtr = WaylandProxy<zwlr_virtual_pointer_manager_v1, zwlr_virtual_pointer_manager_v1_destroy>;
using VirtualPointerPtr = WaylandProxy<zwlr_virtual_pointer_v1, zwlr_virtual_pointer_v1_destroy>;

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

struct ModifierState {
  std::uint32_t depressed = 0;
  std::uint32_t latched = 0;
  std::uint32_t locked = 0;
  std::uint32_t group = 0;
  friend bool operator==(const ModifierState&, const ModifierState&) = default;
};

std::uint32_t milliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// Injectors made so far in this process.
std::atomic<unsigned> injectorCount{0};

}  // namespace

struct WaylandInjector::State {
  const Tern::OwnerThread uiThread;
  explicit State(const Options& options);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  [[nodiscard]] bool alive() const { return connection.alive(); }
  void begin();
  void adoptOfferedKeymap(std::string text);
  void useKeymap(VirtualKeymap fresh);
  void upload();
  void pace() { connection.pace(pacer); }
  [[nodiscard]] std::uint32_t resolve(std::uint8_t vk, bool mayAdd);
  void sendKey(std::uint32_t keycode, bool down);
  void sendModifiers(xkb_mod_mask_t depressed);

  // Declared first, so that it closes after every object of the connection.
  WaylandConnection connection;
  KeyboardManagerPtr keyboardManager;
  PointerManagerPtr pointerManager;
  VirtualKeyboardPtr virtualKeyboard;
  VirtualPointerPtr virtualPointer;

  const bool fixedLayout;
  // Names our keymaps apart from any other virtual keyboard's, another injector's included.
  const std::string owner = "zentak-" + std::to_string(getpid()) + "-" + std::to_string(++injectorCount);
  std::optional<VirtualKeymap> keymap;
  std::uint64_t keymapsUsed = 0;
  std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> keyState{nullptr, &xkb_state_unref};
  ModifierState sentModifiers;
  InputPacer pacer{InputPacer::wlroots};
  std::array<std::uint32_t, 256> heldKeyOfVk{};
};

WaylandInjector::State::State(const Options& options) : connection(options.display), fixedLayout(!options.layout.empty()) {
  connection.start(!fixedLayout, [this](wl_registry* registry, std::uint32_t name, std::string_view kind, std::uint32_t) {
    if (kind == zwp_virtual_keyboard_manager_v1_interface.name) {
      keyboardManager.reset(static_cast<zwp_virtual_keyboard_manager_v1*>(
          wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1)));
    } else if (kind == zwlr_virtual_pointer_manager_v1_interface.name) {
      pointerManager.reset(static_cast<zwlr_virtual_pointer_manager_v1*>(
          wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1)));
    }
  });
  if (!keyboardManager || !pointerManager) {
    throw WaylandError("The Wayland compositor offers no virtual keyboard and pointer");
  }
  virtualKeyboard.reset(
      zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager.get(), connection.seat()));
  virtualPointer.reset(
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager.get(), connection.seat()));
  try {
    if (fixedLayout) {
      useKeymap(VirtualKeymap::fromLayout(options.layout));
    } else if (auto offered = connection.takeOfferedKeymap()) {
      adoptOfferedKeymap(std::move(*offered));
    }
    if (!keymap) useKeymap(VirtualKeymap::fromLayout({}));
  } catch (const std::runtime_error& error) {
    throw WaylandError(error.what());
  }
  if (!connection.roundTrip()) {
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
  connection.roundTrip();
}

void WaylandInjector::State::begin() {
  connection.pumpEvents();
  if (auto offered = connection.takeOfferedKeymap()) adoptOfferedKeymap(std::move(*offered));
}

// The compositor hands our keyboard whatever keymap its active keyboard has, which is one of
// ours (perhaps older than the last) after we typed and the user's after the user did.
void WaylandInjector::State::adoptOfferedKeymap(std::string text) {
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
  connection.roundTrip();
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
  const auto area = s.connection.outputsUnion();
  if (!s.alive() || !area) return;
  const auto px = static_cast<std::uint32_t>(std::clamp(x, 0, area->width - 1));
  const auto py = static_cast<std::uint32_t>(std::clamp(y, 0, area->height - 1));
  zwlr_virtual_pointer_v1* pointer = s.virtualPointer.get();
  zwlr_virtual_pointer_v1_motion_absolute(pointer, milliseconds(), px, py, static_cast<std::uint32_t>(area->width),
                                          static_cast<std::uint32_t>(area->height));
  zwlr_virtual_pointer_v1_frame(pointer);
  s.pace();
  zwlr_virtual_pointer_v1_button(pointer, milliseconds(), evdevButton(button),
                                 down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
  zwlr_virtual_pointer_v1_frame(pointer);
  s.pace();
}

ScreenSize WaylandInjector::screenSize() {
  state->uiThread.assertCurrent("WaylandInjector::screenSize");
  state->begin();
  const auto area = state->connection.outputsUnion();
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
  state->connection.flushOut();
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
