#pragma once

#include <array>
#include <cstdint>

namespace Tern {

namespace Crc32Detail {

// One entry per 4-bit value: the reflected CRC-32 (polynomial 0xEDB88320) of those four bits.
constexpr std::array<std::uint32_t, 16> nibbleTable = [] {
  std::array<std::uint32_t, 16> table{};
  for (std::uint32_t nibble = 0; nibble < 16; ++nibble) {
    std::uint32_t value = nibble;
    for (int bit = 0; bit < 4; ++bit) value = (value & 1U) != 0 ? (value >> 1) ^ 0xEDB88320U : value >> 1;
    table[nibble] = value;
  }
  return table;
}();

constexpr std::uint32_t feed(std::uint32_t reg, std::uint8_t byte) {
  reg ^= byte;
  reg = (reg >> 4) ^ nibbleTable[reg & 0xFU];
  return (reg >> 4) ^ nibbleTable[reg & 0xFU];
}

}  // namespace Crc32Detail

// The standard CRC-32 (ISO-HDLC / IEEE 802.3) of length bytes. previous is 0 for a fresh
// computation, or an earlier result to continue it over more bytes. Any thread.
constexpr std::uint32_t crc32(const std::uint8_t* data, std::uint32_t length, std::uint32_t previous) {
  std::uint32_t reg = ~previous;
  for (std::uint32_t i = 0; i < length; ++i) reg = Crc32Detail::feed(reg, data[i]);
  return ~reg;
}

// The same over any bytes. Any thread.
inline std::uint32_t crc32(const void* data, std::uint32_t length, std::uint32_t previous) {
  return crc32(static_cast<const std::uint8_t*>(data), length, previous);
}

// The CRC-32 of a NUL-terminated name's bytes: the id of an event kind. Any thread.
constexpr std::uint32_t eventTypeId(const char* name) {
  std::uint32_t reg = ~0U;
  for (; *name != '\0'; ++name) reg = Crc32Detail::feed(reg, static_cast<std::uint8_t>(*name));
  return ~reg;
}

}  // namespace Tern
