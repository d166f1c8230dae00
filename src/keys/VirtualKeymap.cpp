#include "keys/VirtualKeymap.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <tuple>

#include "keys/KeyPositions.h"

namespace {

// The highest keycode an X client can read.
constexpr std::uint32_t lastXKeycode = 255;

// Four-character names for added keys on keycodes the layout has no name for, out of its way.
std::string addedKeyName(std::size_t keycode) {
  constexpr std::string_view digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string name = "Z000";
  for (std::size_t pos = name.size() - 1; pos > 0 && keycode > 0; --pos) {
    name[pos] = digits[keycode % digits.size()];
    keycode /= digits.size();
  }
  return name;
}

// The section of a keymap text that starts with keyword: where its closing "};" line starts.
std::size_t sectionEnd(const std::string& text, std::string_view keyword) {
  const std::size_t start = text.find(keyword);
  if (start == std::string::npos) throw std::runtime_error("The keymap has no " + std::string(keyword) + " section");
  const std::size_t end = text.find("\n};", start);
  if (end == std::string::npos) throw std::runtime_error("The keymap's " + std::string(keyword) + " section is open");
  return end + 1;
}

// The keycodes section of every keymap text handed out is named after its owner; the
// compositor keeps the name when it passes the keymap on.
std::string ownSectionName(const std::string& owner) { return "xkb_keycodes \"" + owner + "\""; }

std::string markedAs(std::string text, const std::string& owner) {
  const std::size_t start = text.find("xkb_keycodes \"");
  const std::size_t nameEnd = start == std::string::npos ? start : text.find('"', start + 14);
  if (nameEnd != std::string::npos) text.replace(start, nameEnd + 1 - start, ownSectionName(owner));
  return text;
}

std::string keysymName(std::uint32_t keysym) {
  std::array<char, 64> name{};
  if (xkb_keysym_get_name(keysym, name.data(), name.size()) <= 0) return "NoSymbol";
  return name.data();
}

}  // namespace

void VirtualKeymap::ContextDeleter::operator()(xkb_context* c) const { xkb_context_unref(c); }
void VirtualKeymap::KeymapDeleter::operator()(xkb_keymap* map) const { xkb_keymap_unref(map); }

VirtualKeymap::VirtualKeymap(std::unique_ptr<xkb_context, ContextDeleter> ctx,
                             std::unique_ptr<xkb_keymap, KeymapDeleter> compiled)
    : context(std::move(ctx)), keymap(std::move(compiled)) {
  build(0);
}

VirtualKeymap::VirtualKeymap(const std::string& keymapText, std::uint32_t group) {
  context.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (!context) throw std::runtime_error("Cannot start the keymap compiler");
  keymap.reset(xkb_keymap_new_from_buffer(context.get(), keymapText.data(), keymapText.size(),
                                          XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) throw std::runtime_error("The keymap does not compile");
  build(group);
}

VirtualKeymap VirtualKeymap::fromLayout(const std::string& layout, const std::string& variant) {
  std::unique_ptr<xkb_context, ContextDeleter> ctx(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (!ctx) throw std::runtime_error("Cannot start the keymap compiler");
  xkb_rule_names names{};
  names.layout = layout.empty() ? nullptr : layout.c_str();
  names.variant = variant.empty() ? nullptr : variant.c_str();
  std::unique_ptr<xkb_keymap, KeymapDeleter> compiled(
      xkb_keymap_new_from_names(ctx.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!compiled) throw std::runtime_error("The keyboard layout \"" + layout + "\" does not compile");
  return {std::move(ctx), std::move(compiled)};
}

VirtualKeymap::~VirtualKeymap() = default;
VirtualKeymap::VirtualKeymap(VirtualKeymap&&) noexcept = default;
VirtualKeymap& VirtualKeymap::operator=(VirtualKeymap&&) noexcept = default;

void VirtualKeymap::build(std::uint32_t group) {
  xkb_keymap* map = keymap.get();
  std::unique_ptr<char, decltype(&std::free)> text(xkb_keymap_get_as_string(map, XKB_KEYMAP_FORMAT_TEXT_V1),
                                                   &std::free);
  if (!text) throw std::runtime_error("The keymap cannot be written out");
  baseText = text.get();
  fullText = markedAs(baseText, owner);

  const xkb_mod_index_t shiftIndex = xkb_keymap_mod_get_index(map, XKB_MOD_NAME_SHIFT);
  const xkb_mod_index_t level3Index = xkb_keymap_mod_get_index(map, "Mod5");
  shiftBit = shiftIndex == XKB_MOD_INVALID ? 0 : 1U << shiftIndex;
  level3Bit = level3Index == XKB_MOD_INVALID ? 0 : 1U << level3Index;
  lastLayoutKeycode = xkb_keymap_max_keycode(map);
  SpareKeycodePool::Keycodes spare;
  for (xkb_keycode_t code = xkb_keymap_min_keycode(map); code <= lastXKeycode; ++code) {
    spare.set(code, code > lastLayoutKeycode || xkb_keymap_num_layouts_for_key(map, code) == 0);
  }
  spares.setSpare(spare);

  for (const KeyPositions::UsPosition& position : KeyPositions::usPositions()) {
    const std::string name(position.name);
    const xkb_keycode_t code = xkb_keymap_key_by_name(map, name.c_str());
    if (code != XKB_KEYCODE_INVALID && !keycodeOfVk.contains(position.vk) && !vkOfKeycode.contains(code)) {
      keycodeOfVk.emplace(position.vk, code);
      vkOfKeycode.emplace(code, position.vk);
    }
  }
  // A key with fewer layouts than the group's number has its own in the group, as XKB wraps it.
  const std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(map), &xkb_state_unref);
  if (!state) throw std::runtime_error("The keymap has no state");
  xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, group);
  KeyLayouts layouts;
  for (xkb_keycode_t code = xkb_keymap_min_keycode(map); code <= lastLayoutKeycode; ++code) {
    const xkb_layout_index_t layout = xkb_state_key_get_layout(state.get(), code);
    layouts.emplace(code, layout);
    const xkb_keysym_t* syms = nullptr;
    if (layout != XKB_LAYOUT_INVALID && xkb_keymap_key_get_syms_by_level(map, code, layout, 0, &syms) == 1) {
      plainKeys.try_emplace(syms[0], code);
    }
  }
  addStrokes(layouts);
}

void VirtualKeymap::addStrokes(const KeyLayouts& layouts) {
  xkb_keymap* map = keymap.get();
  const std::uint32_t allowed = shiftBit | level3Bit;
  // Main block before other keys, fewer modifiers before more, lower keycodes first.
  using Rank = std::tuple<int, int, std::uint32_t>;
  std::unordered_map<char32_t, Rank> ranks;
  for (xkb_keycode_t code = xkb_keymap_min_keycode(map); code <= lastLayoutKeycode; ++code) {
    const xkb_layout_index_t layout = layouts.at(code);
    if (layout == XKB_LAYOUT_INVALID) continue;
    const auto vk = vkOfKeycode.find(code);
    const std::uint8_t vkCode = vk == vkOfKeycode.end() ? 0 : vk->second;
    const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(map, code, layout);
    for (xkb_level_index_t level = 0; level < levels; ++level) {
      const xkb_keysym_t* syms = nullptr;
      if (xkb_keymap_key_get_syms_by_level(map, code, layout, level, &syms) != 1) continue;
      const char32_t c = xkb_keysym_to_utf32(syms[0]);
      if (!KeyPositions::typeable(c)) continue;
      std::array<xkb_mod_mask_t, 16> masks{};
      const std::size_t count =
          xkb_keymap_key_get_mods_for_level(map, code, layout, level, masks.data(), masks.size());
      std::optional<xkb_mod_mask_t> best;
      for (std::size_t i = 0; i < count; ++i) {
        if ((masks[i] & ~allowed) == 0 && (!best || std::popcount(masks[i]) < std::popcount(*best))) best = masks[i];
      }
      if (!best) continue;
      const int combo = ((*best & shiftBit) != 0 ? 1 : 0) | ((*best & level3Bit) != 0 ? 2 : 0);
      const Rank rank{vkCode == 0 ? 1 : 0, combo, code};
      const auto [found, fresh] = ranks.try_emplace(c, rank);
      if (fresh || rank < found->second) {
        found->second = rank;
        strokes[c] = Stroke{code, *best, vkCode};
      }
    }
  }
}

void VirtualKeymap::setOwner(const std::string& name) {
  owner = name;
  renderText();
}

bool VirtualKeymap::isOwn(std::string_view keymapText) const {
  return keymapText.find(ownSectionName(owner)) != std::string_view::npos;
}

std::optional<std::uint32_t> VirtualKeymap::keycodeForVk(std::uint8_t vk) const {
  if (const auto found = keycodeOfVk.find(vk); found != keycodeOfVk.end()) return found->second;
  for (const std::uint32_t keysym : {KeyPositions::namedKeysym(vk), KeyPositions::namedKeysymFallback(vk)}) {
    if (keysym == XKB_KEY_NoSymbol) continue;
    if (const auto found = plainKeys.find(keysym); found != plainKeys.end()) return found->second;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> VirtualKeymap::keycodeForKeysym(std::uint32_t keysym) const {
  if (const auto found = plainKeys.find(keysym); found != plainKeys.end()) return found->second;
  return std::nullopt;
}

const VirtualKeymap::Stroke* VirtualKeymap::strokeFor(char32_t c) const {
  const auto found = strokes.find(c);
  return found == strokes.end() ? nullptr : &found->second;
}

std::optional<KeyScan> VirtualKeymap::keyScan(char32_t c) const {
  const Stroke* stroke = strokeFor(c);
  if (stroke == nullptr || stroke->vk == 0) return std::nullopt;
  std::uint8_t mods = 0;
  if ((stroke->mods & shiftBit) != 0) mods |= KeyMod::shift;
  if ((stroke->mods & level3Bit) != 0) mods |= KeyMod::ctrl | KeyMod::alt;
  return KeyScan{stroke->vk, mods};
}

std::uint32_t VirtualKeymap::add(char32_t c) {
  if (!KeyPositions::typeable(c)) return 0;
  if (const Stroke* stroke = strokeFor(c)) {
    use(stroke->keycode);
    return stroke->keycode;
  }
  const std::uint32_t code = addKeysym(xkb_utf32_to_keysym(static_cast<std::uint32_t>(c)));
  if (code != 0) strokes[c] = Stroke{code, 0, 0};
  return code;
}

std::uint32_t VirtualKeymap::addKeysym(std::uint32_t keysym) {
  if (keysym == XKB_KEY_NoSymbol) return 0;
  if (const auto found = plainKeys.find(keysym); found != plainKeys.end()) {
    use(found->second);
    return found->second;
  }
  return bind(keysym);
}

void VirtualKeymap::use(std::uint32_t keycode) {
  if (keycode <= lastXKeycode) spares.use(static_cast<SpareKeycodePool::Keycode>(keycode));
}

void VirtualKeymap::setHeld(std::uint32_t keycode, bool held) {
  if (keycode <= lastXKeycode) spares.setHeld(static_cast<SpareKeycodePool::Keycode>(keycode), held);
}

// No binding waits out a grace before it is taken over: our keymap reaches no one but through
// our own virtual keyboard, and its key events and keymaps travel in order on one connection,
// with a round trip after each upload. Uses are never reported sent, so the pool offers a
// binding in use only as the one to take over: the least recently used, which an X client that
// reads a key event after a later keymap change is the least likely still to be reading.
std::uint32_t VirtualKeymap::bind(std::uint32_t keysym) {
  SpareKeycodePool::Grant grant = spares.acquire(keysym, {});
  if (grant.kind == SpareKeycodePool::Grant::Kind::none && grant.keycode != 0) {
    grant = spares.takeOver(grant.keycode, keysym);
  }
  if (grant.kind == SpareKeycodePool::Grant::Kind::none) return 0;
  const std::uint32_t code = grant.keycode;
  Added& key = added[code];
  if (grant.kind == SpareKeycodePool::Grant::Kind::replaced) {
    plainKeys.erase(key.keysym);
    std::erase_if(strokes, [code](const auto& entry) { return entry.second.keycode == code; });
  } else {
    const char* name = code <= lastLayoutKeycode ? xkb_keymap_key_get_name(keymap.get(), code) : nullptr;
    key.named = name != nullptr;
    key.name = name != nullptr ? std::string(name) : addedKeyName(code);
  }
  key.keysym = keysym;
  plainKeys.emplace(keysym, code);
  renderText();
  return code;
}

void VirtualKeymap::renderText() {
  std::string keycodes;
  std::string symbols;
  std::uint32_t highest = 0;
  for (const auto& [keycode, key] : added) {
    if (!key.named) keycodes += "\t<" + key.name + "> = " + std::to_string(keycode) + ";\n";
    symbols += "\tkey <" + key.name + "> { [ " + keysymName(key.keysym) + " ] };\n";
    highest = std::max(highest, keycode);
  }
  fullText = markedAs(baseText, owner);
  fullText.insert(sectionEnd(fullText, "xkb_symbols"), symbols);
  std::size_t keycodesEnd = sectionEnd(fullText, "xkb_keycodes");
  fullText.insert(keycodesEnd, keycodes);
  const std::size_t maximum = fullText.find("maximum = ");
  if (highest > lastLayoutKeycode && maximum != std::string::npos && maximum < keycodesEnd) {
    const std::size_t value = maximum + std::string_view("maximum = ").size();
    const std::size_t semicolon = fullText.find(';', value);
    fullText.replace(value, semicolon - value, std::to_string(highest));
  }
}
