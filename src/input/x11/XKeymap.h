#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>

// A set of X keycodes; keycodes are eight bits wide.
using KeycodeSet = std::bitset<256>;

// The keyboard mapping of one connection as XKB reports it (keys, key types, modifier map, key
// names, current group and locked modifiers), and the lookups built from it: which key sits at a
// US position, which key gives a keysym without modifiers, and which key and modifiers type a
// character. Keycodes in the reserved set (temporary bindings of their owner) take part in no
// lookup. Internal to the X platform layer; used by one thread at a time.
class XKeymap {
 public:
  // Modifier combinations a key stroke may need, as bits.
  static constexpr std::uint8_t shiftMod = 0x1;
  static constexpr std::uint8_t level3Mod = 0x2;

  // The key and modifier combination that types one character. vk is the virtual-key code of the
  // key's US position when the key belongs to the main typing block, otherwise 0.
  struct Stroke {
    KeyCode keycode = 0;
    std::uint8_t mods = 0;
    std::uint8_t vk = 0;
  };

  // Checks for XKB, asks for keyboard notifications on the connection and reads the keymap;
  // throws XError when the server has no XKB or the keymap cannot be read.
  explicit XKeymap(Display* display);
  ~XKeymap();
  XKeymap(const XKeymap&) = delete;
  XKeymap& operator=(const XKeymap&) = delete;

  // Reads keymap and keyboard state from the server again.
  void read(const KeycodeSet& reserved);

  // Rebuilds the lookups for another reserved set without asking the server.
  void setReserved(const KeycodeSet& reserved);

  // Takes note of one event read from the connection. A keymap change counts only when it
  // touches a keycode of `relevant` (or key types, modifier map or the keycode range).
  // Returns true when the event was a keyboard notification.
  bool handle(const XEvent& event, const KeycodeSet& relevant);

  // Applies what handle() noted: reads the keymap again (returning true) or rebuilds the lookups
  // for a new group or new locked modifiers (returning false).
  bool update(const KeycodeSet& reserved);

  // Whether handle() noted something that update() has yet to apply.
  [[nodiscard]] bool pending() const { return stale || stateChanged; }

  [[nodiscard]] int minKeycode() const { return minCode; }
  [[nodiscard]] int maxKeycode() const { return maxCode; }
  [[nodiscard]] bool valid(int keycode) const { return keycode >= minCode && keycode <= maxCode; }

  // The key at the US position of a letter, digit, punctuation or space virtual-key code.
  [[nodiscard]] std::optional<KeyCode> keycodeForVk(std::uint8_t vk) const;

  // The lowest key that gives the keysym with no modifier held, in the current state.
  [[nodiscard]] std::optional<KeyCode> keycodeForKeysym(KeySym keysym) const;

  // The preferred stroke typing c, or nullptr when no key of the current group types it with
  // Shift and AltGr alone.
  [[nodiscard]] const Stroke* strokeFor(char32_t c) const;

  // The key to hold for Shift, and for the level-3 modifier (AltGr).
  [[nodiscard]] std::optional<KeyCode> shiftKey() const { return shiftCode; }
  [[nodiscard]] std::optional<KeyCode> level3Key() const { return level3Code; }

  // Keycodes of the range that carry no keysym and no modifier at all, as last read.
  [[nodiscard]] KeycodeSet spareKeycodes() const;

  // Whether, as last read, the key gives these keysyms (NoSymbol for none) and nothing else.
  [[nodiscard]] bool boundTo(KeyCode keycode, std::span<const KeySym> keysyms) const;

  // The index of a key type whose four levels are plain, Shift, the level-3 key's modifier and
  // both, when the keymap has one and a level-3 key.
  [[nodiscard]] std::optional<unsigned char> fourLevelType() const { return fourLevelTypeIndex; }

  // The keys the layout lookup depends on: the main typing block and the modifier keys.
  [[nodiscard]] KeycodeSet layoutKeys() const;

 private:
  struct DescDeleter {
    void operator()(XkbDescPtr desc) const;
  };

  void rebuild();
  [[nodiscard]] int keyGroup(int keycode) const;
  [[nodiscard]] KeySym keysymAt(int keycode, unsigned pressedMods) const;
  [[nodiscard]] bool hasKeysyms(int keycode) const;
  [[nodiscard]] unsigned modmapOf(int keycode) const;
  void findModifierKeys();
  void findFourLevelType();
  void addStrokes(bool mainBlock);

  Display* dpy;
  int xkbEventBase = 0;
  std::unique_ptr<XkbDescRec, DescDeleter> desc;
  int minCode = 0;
  int maxCode = -1;
  int group = 0;
  unsigned lockedMods = 0;
  unsigned level3Mask = 0;
  KeycodeSet reservedCodes;
  bool stale = false;
  bool stateChanged = false;

  std::array<std::uint8_t, 256> vkOfKeycode{};
  std::array<std::optional<KeyCode>, 256> keycodeOfVk{};
  std::optional<KeyCode> shiftCode;
  std::optional<KeyCode> level3Code;
  std::optional<unsigned char> fourLevelTypeIndex;
  std::unordered_map<KeySym, KeyCode> plainKeys;
  // Latin-1 characters are looked up in a flat table, everything else by hash.
  std::array<std::optional<Stroke>, 256> latinStrokes{};
  std::unordered_map<char32_t, Stroke> otherStrokes;
};
