#include "input/x11/XKeymap.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "keys/KeyPositions.h"
#include "input/x11/XDisplay.h"

namespace {

// Modifier bits other than Shift, Lock and Control: the ones a level-3 key can carry.
constexpr unsigned otherModsMask = 0xffU & ~static_cast<unsigned>(ShiftMask | LockMask | ControlMask);

std::size_t groupCount(unsigned char groupInfo) { return groupInfo & 0x0fU; }

std::string_view keyName(const char (&name)[XkbKeyNameLength]) {
  return {name, strnlen(name, XkbKeyNameLength)};
}

bool inRange(int first, int count, const KeycodeSet& set) {
  for (int code = first; code < first + count && code < static_cast<int>(set.size()); ++code) {
    if (code >= 0 && set.test(static_cast<std::size_t>(code))) {
      return true;
    }
  }
  return false;
}

}  // namespace

void XKeymap::DescDeleter::operator()(XkbDescPtr d) const { XkbFreeKeyboard(d, XkbAllComponentsMask, True); }

XKeymap::XKeymap(Display* display) : dpy(display) {
  int opcode = 0;
  int errorBase = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  if (XkbQueryExtension(dpy, &opcode, &xkbEventBase, &errorBase, &major, &minor) == False) {
    throw XError("The X display has no usable XKB extension");
  }
  constexpr unsigned long mapEvents = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
  constexpr unsigned long stateDetails = XkbGroupStateMask | XkbModifierLockMask;
  XkbSelectEvents(dpy, XkbUseCoreKbd, mapEvents, mapEvents);
  XkbSelectEventDetails(dpy, XkbUseCoreKbd, XkbStateNotify, stateDetails, stateDetails);
  read({});
}

XKeymap::~XKeymap() = default;

void XKeymap::read(const KeycodeSet& reserved) {
  std::unique_ptr<XkbDescRec, DescDeleter> fresh(XkbGetMap(dpy, XkbAllClientInfoMask, XkbUseCoreKbd));
  if (!fresh || fresh->map == nullptr) {
    throw XError("Cannot read the keyboard mapping of the X display");
  }
  if (XkbGetNames(dpy, XkbKeyNamesMask | XkbKeyAliasesMask, fresh.get()) != Success) {
    throw XError("Cannot read the key names of the X display");
  }
  XkbStateRec state{};
  if (XkbGetState(dpy, XkbUseCoreKbd, &state) != Success) {
    throw XError("Cannot read the keyboard state of the X display");
  }
  desc = std::move(fresh);
  minCode = desc->min_key_code;
  maxCode = desc->max_key_code;
  group = state.group;
  lockedMods = state.locked_mods;
  reservedCodes = reserved;
  stale = false;
  stateChanged = false;
  rebuild();
}

void XKeymap::setReserved(const KeycodeSet& reserved) {
  reservedCodes = reserved;
  rebuild();
}

bool XKeymap::handle(const XEvent& event, const KeycodeSet& relevant) {
  if (event.type != xkbEventBase) {
    return false;
  }
  static_assert(sizeof(XkbEvent) >= sizeof(XEvent));
  XkbEvent xkb{};
  std::memcpy(&xkb, &event, sizeof(XEvent));
  switch (xkb.any.xkb_type) {
    case XkbNewKeyboardNotify:
      stale = true;
      break;
    case XkbMapNotify: {
      const XkbMapNotifyEvent& map = xkb.map;
      // Actions, behaviours and explicit components do not change what a key types.
      constexpr unsigned harmless =
          XkbKeySymsMask | XkbKeyActionsMask | XkbKeyBehaviorsMask | XkbExplicitComponentsMask;
      if ((map.changed & ~harmless) != 0 || map.min_key_code != minCode || map.max_key_code != maxCode ||
          ((map.changed & XkbKeySymsMask) != 0 && inRange(map.first_key_sym, map.num_key_syms, relevant))) {
        stale = true;
      }
      break;
    }
    case XkbStateNotify:
      if (xkb.state.group != group || xkb.state.locked_mods != lockedMods) {
        group = xkb.state.group;
        lockedMods = xkb.state.locked_mods;
        stateChanged = true;
      }
      break;
    default:
      break;
  }
  return true;
}

bool XKeymap::update(const KeycodeSet& reserved) {
  if (stale) {
    read(reserved);
    return true;
  }
  if (stateChanged) {
    stateChanged = false;
    rebuild();
  }
  return false;
}

std::optional<KeyCode> XKeymap::keycodeForVk(std::uint8_t vk) const { return keycodeOfVk[vk]; }

std::optional<KeyCode> XKeymap::keycodeForKeysym(KeySym keysym) const {
  const auto found = plainKeys.find(keysym);
  if (found == plainKeys.end()) {
    return std::nullopt;
  }
  return found->second;
}

const XKeymap::Stroke* XKeymap::strokeFor(char32_t c) const {
  if (c < latinStrokes.size()) {
    const auto& stroke = latinStrokes[c];
    return stroke ? &*stroke : nullptr;
  }
  const auto found = otherStrokes.find(c);
  return found == otherStrokes.end() ? nullptr : &found->second;
}

KeycodeSet XKeymap::spareKeycodes() const {
  KeycodeSet spare;
  for (int code = minCode; code <= maxCode; ++code) {
    if (!hasKeysyms(code) && modmapOf(code) == 0) {
      spare.set(static_cast<std::size_t>(code));
    }
  }
  return spare;
}

bool XKeymap::boundTo(KeyCode keycode, std::span<const KeySym> keysyms) const {
  if (!desc || !valid(keycode)) {
    return false;
  }
  const XkbSymMapRec& symMap = desc->map->key_sym_map[keycode];
  const std::size_t count = static_cast<std::size_t>(symMap.width) * groupCount(symMap.group_info);
  std::vector<bool> found(keysyms.size(), false);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t pos = symMap.offset + i;
    if (pos >= desc->map->num_syms) {
      return false;
    }
    const KeySym sym = desc->map->syms[pos];
    if (sym == NoSymbol) {
      continue;
    }
    bool known = false;
    for (std::size_t k = 0; k < keysyms.size(); ++k) {
      if (keysyms[k] == sym) {
        found[k] = true;
        known = true;
      }
    }
    if (!known) {
      return false;
    }
  }
  bool any = false;
  for (std::size_t k = 0; k < keysyms.size(); ++k) {
    if (keysyms[k] != NoSymbol && !found[k]) {
      return false;
    }
    any = any || keysyms[k] != NoSymbol;
  }
  return any;
}

KeycodeSet XKeymap::layoutKeys() const {
  KeycodeSet keys;
  for (std::size_t code = 0; code < vkOfKeycode.size(); ++code) {
    if (vkOfKeycode[code] != 0) {
      keys.set(code);
    }
  }
  if (shiftCode) {
    keys.set(*shiftCode);
  }
  if (level3Code) {
    keys.set(*level3Code);
  }
  return keys;
}

int XKeymap::keyGroup(int keycode) const {
  if (!desc || !valid(keycode)) {
    return -1;
  }
  const unsigned char info = desc->map->key_sym_map[keycode].group_info;
  const int groups = static_cast<int>(groupCount(info));
  if (groups == 0) {
    return -1;
  }
  if (group >= 0 && group < groups) {
    return group;
  }
  switch (info & 0xc0) {
    case XkbRedirectIntoRange: {
      const int target = (info & 0x30) >> 4;
      return target < groups ? target : 0;
    }
    case XkbClampIntoRange:
      return group < 0 ? 0 : groups - 1;
    default:
      return ((group % groups) + groups) % groups;
  }
}

KeySym XKeymap::keysymAt(int keycode, unsigned pressedMods) const {
  const int keyGroupIndex = keyGroup(keycode);
  if (keyGroupIndex < 0) {
    return NoSymbol;
  }
  const XkbClientMapRec& map = *desc->map;
  const XkbSymMapRec& symMap = map.key_sym_map[keycode];
  const unsigned char typeIndex = symMap.kt_index[keyGroupIndex];
  if (typeIndex >= map.num_types) {
    return NoSymbol;
  }
  const XkbKeyTypeRec& type = map.types[typeIndex];
  const unsigned mods = (pressedMods | lockedMods) & type.mods.mask;
  int level = 0;
  for (int i = 0; i < type.map_count && type.map != nullptr; ++i) {
    const XkbKTMapEntryRec& entry = type.map[i];
    if (entry.active != False && entry.mods.mask == mods) {
      level = entry.level;
      break;
    }
  }
  if (level >= symMap.width || level >= type.num_levels) {
    return NoSymbol;
  }
  const std::size_t pos = symMap.offset + static_cast<std::size_t>(keyGroupIndex) * symMap.width +
                          static_cast<std::size_t>(level);
  if (pos >= map.num_syms) {
    return NoSymbol;
  }
  KeySym keysym = map.syms[pos];
  // Clients turn a keysym to upper case when Caps Lock is on and the key type ignores it.
  if ((lockedMods & LockMask) != 0 && (type.mods.mask & LockMask) == 0) {
    KeySym lower = NoSymbol;
    KeySym upper = NoSymbol;
    XConvertCase(keysym, &lower, &upper);
    keysym = upper;
  }
  return keysym;
}

bool XKeymap::hasKeysyms(int keycode) const {
  if (!desc || !valid(keycode)) {
    return false;
  }
  const XkbSymMapRec& symMap = desc->map->key_sym_map[keycode];
  const std::size_t count = static_cast<std::size_t>(symMap.width) * groupCount(symMap.group_info);
  for (std::size_t i = 0; i < count && symMap.offset + i < desc->map->num_syms; ++i) {
    if (desc->map->syms[symMap.offset + i] != NoSymbol) {
      return true;
    }
  }
  return false;
}

unsigned XKeymap::modmapOf(int keycode) const {
  if (!desc || !valid(keycode) || desc->map->modmap == nullptr) {
    return 0;
  }
  return desc->map->modmap[keycode];
}

void XKeymap::rebuild() {
  vkOfKeycode.fill(0);
  keycodeOfVk.fill(std::nullopt);
  plainKeys.clear();
  latinStrokes.fill(std::nullopt);
  otherStrokes.clear();
  shiftCode.reset();
  level3Code.reset();
  fourLevelTypeIndex.reset();
  level3Mask = 0;
  if (!desc) {
    return;
  }

  std::unordered_map<std::string_view, KeyCode> byName;
  const XkbNamesRec* names = desc->names;
  if (names != nullptr && names->keys != nullptr) {
    for (int code = minCode; code <= maxCode; ++code) {
      if (!reservedCodes.test(static_cast<std::size_t>(code))) {
        byName.try_emplace(keyName(names->keys[code].name), static_cast<KeyCode>(code));
      }
    }
    for (int i = 0; i < names->num_key_aliases && names->key_aliases != nullptr; ++i) {
      const XkbKeyAliasRec& alias = names->key_aliases[i];
      const auto real = byName.find(keyName(alias.real));
      if (real != byName.end()) {
        byName.try_emplace(keyName(alias.alias), real->second);
      }
    }
  }
  for (const KeyPositions::UsPosition& position : KeyPositions::usPositions()) {
    const auto found = byName.find(position.name);
    if (found != byName.end() && !keycodeOfVk[position.vk] && vkOfKeycode[found->second] == 0) {
      keycodeOfVk[position.vk] = found->second;
      vkOfKeycode[found->second] = position.vk;
    }
  }

  for (int code = minCode; code <= maxCode; ++code) {
    if (!reservedCodes.test(static_cast<std::size_t>(code))) {
      const KeySym keysym = keysymAt(code, 0);
      if (keysym != NoSymbol) {
        plainKeys.try_emplace(keysym, static_cast<KeyCode>(code));
      }
    }
  }
  findModifierKeys();
  findFourLevelType();
  addStrokes(true);
  addStrokes(false);
}

void XKeymap::findModifierKeys() {
  for (int code = minCode; code <= maxCode && !level3Code; ++code) {
    const unsigned mods = modmapOf(code) & otherModsMask;
    if (!reservedCodes.test(static_cast<std::size_t>(code)) && mods != 0 &&
        keysymAt(code, 0) == XK_ISO_Level3_Shift) {
      level3Code = static_cast<KeyCode>(code);
      level3Mask = mods;
    }
  }
  for (const KeySym shiftSym : std::array<KeySym, 2>{XK_Shift_L, XK_Shift_R}) {
    for (int code = minCode; code <= maxCode && !shiftCode; ++code) {
      if (!reservedCodes.test(static_cast<std::size_t>(code)) && (modmapOf(code) & ShiftMask) != 0 &&
          keysymAt(code, 0) == shiftSym) {
        shiftCode = static_cast<KeyCode>(code);
      }
    }
  }
}

void XKeymap::findFourLevelType() {
  if (!level3Code || desc->map->types == nullptr) {
    return;
  }
  const unsigned wanted = static_cast<unsigned>(ShiftMask) | level3Mask;
  for (int t = 0; t < desc->map->num_types && t <= 0xff; ++t) {
    const XkbKeyTypeRec& type = desc->map->types[t];
    if (type.num_levels != 4 || type.mods.mask != wanted || type.map == nullptr) {
      continue;
    }
    std::array<bool, 4> reached{true, false, false, false};
    for (int i = 0; i < type.map_count; ++i) {
      const XkbKTMapEntryRec& entry = type.map[i];
      const unsigned mods = entry.mods.mask;
      const int level = mods == ShiftMask ? 1 : mods == level3Mask ? 2 : mods == wanted ? 3 : -1;
      if (entry.active != False && level == entry.level) {
        reached[static_cast<std::size_t>(level)] = true;
      }
    }
    if (reached == std::array<bool, 4>{true, true, true, true}) {
      fourLevelTypeIndex = static_cast<unsigned char>(t);
      return;
    }
  }
}

void XKeymap::addStrokes(bool mainBlock) {
  for (std::uint8_t combo = 0; combo <= (shiftMod | level3Mod); ++combo) {
    if (((combo & shiftMod) != 0 && !shiftCode) || ((combo & level3Mod) != 0 && !level3Code)) {
      continue;
    }
    const unsigned pressed = ((combo & shiftMod) != 0 ? static_cast<unsigned>(ShiftMask) : 0U) |
                             ((combo & level3Mod) != 0 ? level3Mask : 0U);
    for (int code = minCode; code <= maxCode; ++code) {
      const std::uint8_t vk = vkOfKeycode[static_cast<std::size_t>(code)];
      if (reservedCodes.test(static_cast<std::size_t>(code)) || (vk != 0) != mainBlock) {
        continue;
      }
      const KeySym keysym = keysymAt(code, pressed);
      if (keysym == NoSymbol) {
        continue;
      }
      const char32_t c = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym));
      if (!KeyPositions::typeable(c)) {
        continue;
      }
      const Stroke stroke{static_cast<KeyCode>(code), combo, vk};
      if (c < latinStrokes.size()) {
        if (!latinStrokes[c]) {
          latinStrokes[c] = stroke;
        }
      } else {
        otherStrokes.try_emplace(c, stroke);
      }
    }
  }
}
