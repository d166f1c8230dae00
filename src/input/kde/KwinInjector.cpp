#include "input/kde/KwinInjector.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "fake-input-client-protocol.h"
#include "keys/InputPacer.h"
#include "keys/KeyPositions.h"
#include "input/kde/KwinActiveLayout.h"
#include "keys/VirtualKeymap.h"
#include "tern/OwnerThread.h"

namespace {

using FakeInputPtr = WaylandProxy<org_kde_kwin_fake_input, org_kde_kwin_fake_input_destroy>;

// Requests before version 4 know no keyboard; version 3 brought absolute motion.
constexpr std::uint32_t fakeInputVersion = 4;

}  // namespace

struct KwinInjector::State {
  const Tern::OwnerThread uiThread;
  State(const std::string& socket, const std::string& busAddress);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  [[nodiscard]] bool alive() const { return connection.alive(); }
  void begin();
  void useKeymap(const std::string& text, std::uint32_t layout);
  void sendKey(std::uint32_t keycode, bool down);
  // The keys that make the modifiers of mask (Shift, AltGr); nothing when the keymap lacks one.
  [[nodiscard]] std::optional<std::vector<std::uint32_t>> modifierKeys(std::uint32_t mask) const;

  // Declared first, so that it closes after every object of the connection.
  WaylandConnection connection;
  FakeInputPtr fakeInput;
  const KwinActiveLayout activeLayout;
  std::string keymapText;
  std::uint32_t group = 0;
  std::optional<VirtualKeymap> keymap;
  std::uint64_t keymapsUsed = 0;
  // What the keys sent so far hold down, as KWin's keyboard sees them.
  std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> keyState{nullptr, &xkb_state_unref};
  InputPacer pacer{InputPacer::kwin};
  std::array<std::uint32_t, 256> heldKeyOfVk{};
  std::array<bool, 3> heldButtons{};
};

KwinInjector::State::State(const std::string& socket, const std::string& busAddress)
    : connection(socket), activeLayout(busAddress) {
  connection.start(true, [this](wl_registry* registry, std::uint32_t name, std::string_view kind, std::uint32_t version) {
    if (kind == org_kde_kwin_fake_input_interface.name && version >= fakeInputVersion) {
      fakeInput.reset(static_cast<org_kde_kwin_fake_input*>(
          wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, fakeInputVersion)));
    }
  });
  if (!fakeInput) throw WaylandError("KWin offers this program no fake input");
  org_kde_kwin_fake_input_authenticate(fakeInput.get(), "Zentak", "Types the texts, keys and clicks of your sequences");
  if (auto offered = connection.takeOfferedKeymap()) useKeymap(*offered, activeLayout.current());
  if (!keymap) throw WaylandError("KWin handed over no keymap");
  if (!connection.roundTrip()) throw WaylandError("KWin refused fake input");
}

KwinInjector::State::~State() {
  if (!alive()) return;
  for (std::uint32_t& keycode : heldKeyOfVk) {
    if (keycode != 0) sendKey(std::exchange(keycode, 0), false);
  }
  for (const MouseButton button : {MouseButton::left, MouseButton::right, MouseButton::middle}) {
    if (heldButtons[static_cast<std::size_t>(button)]) {
      org_kde_kwin_fake_input_button(fakeInput.get(), evdevButton(button), WL_POINTER_BUTTON_STATE_RELEASED);
    }
  }
  connection.roundTrip();
}

void KwinInjector::State::begin() {
  connection.pumpEvents();
  if (auto offered = connection.takeOfferedKeymap()) useKeymap(*offered, group);
}

// KWin hands the keyboard its own keymap, again whenever the user changes the layouts; our keys
// never change it. A switch between its layouts changes only the group, which KWin's keyboard
// applies to our keys too.
void KwinInjector::State::useKeymap(const std::string& text, std::uint32_t layout) {
  if (keymap && text == keymapText && layout == group) return;
  const bool sameLayouts = keymap && text == keymapText;
  try {
    VirtualKeymap fresh(text, layout);
    keymapText = text;
    if (keymap && layout == group && fresh.layoutText() == keymap->layoutText()) return;
    keymap.emplace(std::move(fresh));
  } catch (const std::runtime_error&) {
    // A keymap that does not compile here leaves the one in use.
    return;
  }
  group = layout;
  ++keymapsUsed;
  keyState.reset(xkb_state_new(keymap->layoutKeymap()));
  for (std::uint32_t& keycode : heldKeyOfVk) {
    if (keycode == 0) continue;
    // Held keys stay held across a switch of layouts: their modifiers still count.
    if (sameLayouts) {
      xkb_state_update_key(keyState.get(), keycode, XKB_KEY_DOWN);
    } else {
      sendKey(std::exchange(keycode, 0), false);
    }
  }
}

void KwinInjector::State::sendKey(std::uint32_t keycode, bool down) {
  org_kde_kwin_fake_input_keyboard_key(fakeInput.get(), keycode - xkbKeycodeOffset,
                                       down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
  xkb_state_update_key(keyState.get(), keycode, down ? XKB_KEY_DOWN : XKB_KEY_UP);
  connection.pace(pacer);
}

std::optional<std::vector<std::uint32_t>> KwinInjector::State::modifierKeys(std::uint32_t mask) const {
  std::vector<std::uint32_t> keys;
  const std::pair<std::uint32_t, xkb_keysym_t> modifiers[] = {{keymap->shiftMask(), XKB_KEY_Shift_L},
                                                              {keymap->level3Mask(), XKB_KEY_ISO_Level3_Shift}};
  for (const auto& [modifier, keysym] : modifiers) {
    if ((mask & modifier) == 0) continue;
    const auto key = keymap->keycodeForKeysym(keysym);
    if (!key) return std::nullopt;
    keys.push_back(*key);
  }
  return keys;
}

KwinInjector::KwinInjector(const std::string& socket, const std::string& busAddress)
    : state(std::make_unique<State>(socket, busAddress)) {}

KwinInjector::~KwinInjector() = default;

void KwinInjector::keyEvent(std::uint8_t keyCode, bool down) {
  state->uiThread.assertCurrent("KwinInjector::keyEvent");
  State& s = *state;
  s.begin();
  if (!s.alive()) return;
  std::uint32_t& held = s.heldKeyOfVk[keyCode];
  std::uint32_t keycode = held;
  if (keycode == 0) keycode = s.keymap->keycodeForVk(keyCode).value_or(0);
  if (keycode == 0) return;
  held = down ? keycode : 0;
  s.sendKey(keycode, down);
}

void KwinInjector::mouseEvent(MouseButton button, bool down, int x, int y) {
  state->uiThread.assertCurrent("KwinInjector::mouseEvent");
  State& s = *state;
  s.begin();
  const auto area = s.connection.outputsUnion();
  if (!s.alive() || !area) return;
  // KWin places the pointer in the compositor's layout, whose outputs need not start at 0, 0.
  const int px = area->x + std::clamp(x, 0, area->width - 1);
  const int py = area->y + std::clamp(y, 0, area->height - 1);
  org_kde_kwin_fake_input_pointer_motion_absolute(s.fakeInput.get(), wl_fixed_from_int(px), wl_fixed_from_int(py));
  s.connection.pace(s.pacer);
  org_kde_kwin_fake_input_button(s.fakeInput.get(), evdevButton(button),
                                 down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
  s.heldButtons[static_cast<std::size_t>(button)] = down;
  s.connection.pace(s.pacer);
}

ScreenSize KwinInjector::screenSize() {
  state->uiThread.assertCurrent("KwinInjector::screenSize");
  state->begin();
  const auto area = state->connection.outputsUnion();
  return area ? ScreenSize{area->width, area->height} : ScreenSize{};
}

void KwinInjector::typeChar(char32_t c) {
  state->uiThread.assertCurrent("KwinInjector::typeChar");
  State& s = *state;
  s.begin();
  if (!s.alive()) return;
  const VirtualKeymap::Stroke* stroke = s.keymap->strokeFor(c);
  if (stroke == nullptr) return;
  // Modifiers the character needs are added to those held, for its key only.
  const xkb_mod_mask_t depressed = xkb_state_serialize_mods(s.keyState.get(), XKB_STATE_MODS_DEPRESSED);
  const auto extra = s.modifierKeys(stroke->mods & ~depressed);
  // Without the modifier's key the character would come out as another one.
  if (!extra) return;
  for (const std::uint32_t key : *extra) s.sendKey(key, true);
  s.sendKey(stroke->keycode, true);
  s.sendKey(stroke->keycode, false);
  for (const std::uint32_t key : *extra) s.sendKey(key, false);
}

bool KwinInjector::canType(char32_t c) const {
  state->uiThread.assertCurrent("KwinInjector::canType");
  return state->keymap->strokeFor(c) != nullptr;
}

void KwinInjector::flush() {
  state->uiThread.assertCurrent("KwinInjector::flush");
  state->begin();
  state->connection.flushOut();
}

void KwinInjector::sync() {
  state->uiThread.assertCurrent("KwinInjector::sync");
  State& s = *state;
  s.begin();
  s.useKeymap(s.keymapText, s.activeLayout.current());
}

std::uint64_t KwinInjector::generation() const {
  state->uiThread.assertCurrent("KwinInjector::generation");
  return state->keymapsUsed;
}

std::optional<KeyScan> KwinInjector::keyScan(char32_t c) const {
  state->uiThread.assertCurrent("KwinInjector::keyScan");
  return state->keymap->keyScan(c);
}
