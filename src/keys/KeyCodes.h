#pragma once

#include <cstdint>
#include <vector>

// A key-action list: one-byte key codes (Windows virtual-key numbers), special codes for
// modifier presses and releases, and mouse codes each followed by two five-byte coordinates.
using KeyActions = std::vector<std::uint8_t>;

namespace KeyCode {

inline constexpr std::uint8_t back = 8;
inline constexpr std::uint8_t tab = 9;
inline constexpr std::uint8_t returnKey = 13;
inline constexpr std::uint8_t shift = 16;
inline constexpr std::uint8_t control = 17;
inline constexpr std::uint8_t menu = 18;
inline constexpr std::uint8_t escape = 27;
inline constexpr std::uint8_t space = 32;
inline constexpr std::uint8_t numpad0 = 96;
inline constexpr std::uint8_t decimal = 110;
inline constexpr std::uint8_t lwin = 91;
inline constexpr std::uint8_t rwin = 92;
inline constexpr std::uint8_t f1 = 112;
inline constexpr std::uint8_t lshift = 160;
inline constexpr std::uint8_t rshift = 161;
inline constexpr std::uint8_t lcontrol = 162;
inline constexpr std::uint8_t rcontrol = 163;
inline constexpr std::uint8_t lmenu = 164;
inline constexpr std::uint8_t rmenu = 165;

// Special codes: no token of the table and no key of a layout produces these as key codes.
inline constexpr std::uint8_t ctrlDown = 151;
inline constexpr std::uint8_t ctrlUp = 152;
inline constexpr std::uint8_t altDown = 153;
inline constexpr std::uint8_t altUp = 154;
inline constexpr std::uint8_t shiftDown = 155;
inline constexpr std::uint8_t shiftUp = 156;
// Followed by a Unicode code point in four bytes, least significant first: a character that
// needs AltGr or that no key of the layout produces, typed by the injector itself.
inline constexpr std::uint8_t typeChar = 157;

inline constexpr std::uint8_t mouseLeftClick = 7;
inline constexpr std::uint8_t mouseLeftDown = 15;
inline constexpr std::uint8_t mouseLeftUp = 22;
inline constexpr std::uint8_t mouseRightClick = 26;
inline constexpr std::uint8_t mouseRightDown = 58;
inline constexpr std::uint8_t mouseRightUp = 59;
inline constexpr std::uint8_t mouseMiddleClick = 60;
inline constexpr std::uint8_t mouseMiddleDown = 61;
inline constexpr std::uint8_t mouseMiddleUp = 62;

// Bytes a mouse code is followed by: X and Y, five bytes each.
inline constexpr std::size_t coordinateBytes = 10;
// Bytes the type-character code is followed by.
inline constexpr std::size_t codePointBytes = 4;

}  // namespace KeyCode
