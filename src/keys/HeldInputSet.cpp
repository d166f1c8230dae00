#include "keys/HeldInputSet.h"

namespace {

std::uint8_t buttonBit(unsigned button) {
  return button >= 1 && button <= HeldInputSet::maxButton ? static_cast<std::uint8_t>(1U << (button - 1)) : 0;
}

}  // namespace

bool HeldInputSet::pressKey(std::uint8_t keycode) {
  held.keys.set(keycode);
  if (told.keys.test(keycode)) return false;
  told.keys.set(keycode);
  return true;
}

bool HeldInputSet::pressButton(unsigned button) {
  const std::uint8_t bit = buttonBit(button);
  held.buttons |= bit;
  if ((told.buttons & bit) == bit) return false;
  told.buttons |= bit;
  return true;
}

void HeldInputSet::releaseKey(std::uint8_t keycode) { held.keys.reset(keycode); }

void HeldInputSet::releaseButton(unsigned button) {
  held.buttons = static_cast<std::uint8_t>(held.buttons & ~buttonBit(button));
}

bool HeldInputSet::settle() {
  if (told == held) return false;
  told = held;
  return true;
}

HeldInputSet::Snapshot HeldInputSet::snapshot(std::uint32_t marker) const {
  Snapshot bytes{};
  for (std::size_t code = 0; code < told.keys.size(); ++code) {
    if (told.keys.test(code)) bytes[code / 8] = static_cast<std::uint8_t>(bytes[code / 8] | (1U << (code % 8)));
  }
  bytes[32] = told.buttons;
  for (std::size_t i = 0; i < 4; ++i) bytes[33 + i] = static_cast<std::uint8_t>(marker >> (8 * i));
  return bytes;
}

std::optional<HeldInputSet::Contents> HeldInputSet::decode(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != snapshotSize) return std::nullopt;
  Contents contents;
  for (std::size_t code = 0; code < contents.keys.size(); ++code) {
    contents.keys.set(code, ((bytes[code / 8] >> (code % 8)) & 1U) != 0);
  }
  contents.buttons = bytes[32];
  for (std::size_t i = 0; i < 4; ++i) contents.marker |= std::uint32_t{bytes[33 + i]} << (8 * i);
  return contents;
}
