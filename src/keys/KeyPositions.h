#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Where the virtual-key codes of the key-action list sit on a keyboard, whatever the window
// system: the keys of the main typing block by XKB key name (their US position), the other keys
// by the keysym they carry.
namespace KeyPositions {

struct UsPosition {
  std::string_view name;
  std::uint8_t vk;
};

// The main typing block: XKB key names of the US positions and the virtual-key codes they stand
// for. AC12 is the name some keymaps give the backslash key when there is no BKSL.
[[nodiscard]] std::span<const UsPosition> usPositions();

// The keysym a named (non-typing) virtual-key code stands for, and its stand-in when the layout
// lacks it; 0 (no symbol) for codes that are no named key.
[[nodiscard]] std::uint32_t namedKeysym(std::uint8_t vk);
[[nodiscard]] std::uint32_t namedKeysymFallback(std::uint8_t vk);

// Whether c is a character a key can type: a valid code point that is no control character.
[[nodiscard]] bool typeable(char32_t c);

}  // namespace KeyPositions
