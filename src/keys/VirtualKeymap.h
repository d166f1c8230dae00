#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "keys/KeyboardLayout.h"
#include "keys/SpareKeycodePool.h"

struct xkb_context;
struct xkb_keymap;

// The keymap a virtual keyboard types with: a layout compiled with xkbcommon, the lookups from
// virtual-key codes and characters to its keys, and keys added for the characters the layout
// lacks. Added keys take the keycodes up to 255 that the layout leaves without symbols, since X
// clients (under XWayland) see no higher ones; once none is free, the least recently used added
// key not held down carries the new character instead. The layout's own keys keep theirs.
// Keycodes are XKB's (evdev + 8). Used by one thread at a time.
class VirtualKeymap {
 public:
  // The key and modifier mask (of this keymap's modifier indices) that type one character. vk is
  // the virtual-key code of the key's US position when it belongs to the main typing block.
  struct Stroke {
    std::uint32_t keycode = 0;
    std::uint32_t mods = 0;
    std::uint8_t vk = 0;
  };

  // Compiles a keymap in the XKB text format, whose characters are looked up in one of its
  // layouts (the active group, counted from 0, wrapped as XKB wraps it for each key); throws
  // std::runtime_error when it does not compile.
  explicit VirtualKeymap(const std::string& keymapText, std::uint32_t group = 0);
  // Compiles the keymap of an XKB layout name such as "de" or "fr" (empty: the XKB_DEFAULT_*
  // variables, else "us"), with an optional variant; throws std::runtime_error as above.
  static VirtualKeymap fromLayout(const std::string& layout, const std::string& variant = {});

  ~VirtualKeymap();
  VirtualKeymap(VirtualKeymap&&) noexcept;
  VirtualKeymap& operator=(VirtualKeymap&&) noexcept;
  VirtualKeymap(const VirtualKeymap&) = delete;
  VirtualKeymap& operator=(const VirtualKeymap&) = delete;

  // The layout as compiled, without added keys.
  [[nodiscard]] const std::string& layoutText() const { return baseText; }
  // The keymap to hand the compositor: the layout with every key added so far, marked with the
  // owner's name.
  [[nodiscard]] const std::string& text() const { return fullText; }
  // Names the owner (by default "zentak"), so that its keymaps tell from another's.
  void setOwner(const std::string& name);
  // Whether a keymap text is one that text() gave for this owner, as the compositor passes it on.
  [[nodiscard]] bool isOwn(std::string_view keymapText) const;
  // The layout compiled (added keys carry no modifiers, so its modifier indices serve for both).
  [[nodiscard]] xkb_keymap* layoutKeymap() const { return keymap.get(); }

  // The key of a virtual-key code: the US position for the main typing block, else the lowest
  // key giving the code's keysym without modifiers.
  [[nodiscard]] std::optional<std::uint32_t> keycodeForVk(std::uint8_t vk) const;

  // The lowest key giving keysym without modifiers (such as a modifier key), added keys included.
  [[nodiscard]] std::optional<std::uint32_t> keycodeForKeysym(std::uint32_t keysym) const;

  // The preferred stroke typing c with no modifier, Shift, AltGr or both, or with an added key;
  // nullptr when there is none.
  [[nodiscard]] const Stroke* strokeFor(char32_t c) const;

  // The keyboard-layout answer for c: its main-block key and modifiers (AltGr as ctrl | alt).
  [[nodiscard]] std::optional<KeyScan> keyScan(char32_t c) const;

  // A key for c, counted as used: the one it has, or a new one that text() carries from now on.
  // 0 when c is no character a key can type, or every added key is held.
  std::uint32_t add(char32_t c);

  // A key giving keysym without modifiers, counted as used: the layout's own, one added before,
  // or a new one. 0 for no symbol, or when every added key is held.
  std::uint32_t addKeysym(std::uint32_t keysym);

  // The key goes out now: an added key's binding becomes the last one to be taken over.
  void use(std::uint32_t keycode);
  // An added key held down keeps its character until released.
  void setHeld(std::uint32_t keycode, bool held);

  // The modifier masks this keymap uses for Shift and for the level-3 shift (AltGr).
  [[nodiscard]] std::uint32_t shiftMask() const { return shiftBit; }
  [[nodiscard]] std::uint32_t level3Mask() const { return level3Bit; }

 private:
  struct Added {
    std::string name;
    bool named = false;  // the keycode has a name in the layout already
    std::uint32_t keysym = 0;
  };
  struct ContextDeleter {
    void operator()(xkb_context* context) const;
  };
  struct KeymapDeleter {
    void operator()(xkb_keymap* map) const;
  };

  VirtualKeymap(std::unique_ptr<xkb_context, ContextDeleter> context,
                std::unique_ptr<xkb_keymap, KeymapDeleter> compiled);
  void build(std::uint32_t group);
  // The layout of each key in the group, XKB_LAYOUT_INVALID for keys without symbols.
  using KeyLayouts = std::unordered_map<std::uint32_t, std::uint32_t>;
  void addStrokes(const KeyLayouts& layouts);
  void renderText();
  [[nodiscard]] std::uint32_t bind(std::uint32_t keysym);

  std::unique_ptr<xkb_context, ContextDeleter> context;
  std::unique_ptr<xkb_keymap, KeymapDeleter> keymap;
  std::string baseText;
  std::string fullText;
  std::string owner = "zentak";
  std::uint32_t shiftBit = 0;
  std::uint32_t level3Bit = 0;
  std::uint32_t lastLayoutKeycode = 0;
  std::unordered_map<std::uint8_t, std::uint32_t> keycodeOfVk;
  std::unordered_map<std::uint32_t, std::uint8_t> vkOfKeycode;
  // The lowest key giving each keysym without modifiers, added keys included.
  std::unordered_map<std::uint32_t, std::uint32_t> plainKeys;
  std::unordered_map<char32_t, Stroke> strokes;
  // By keycode.
  std::map<std::uint32_t, Added> added;
  // Bindings need no grace here: see bind().
  SpareKeycodePool spares{SpareKeycodePool::Clock::duration::zero()};
};
