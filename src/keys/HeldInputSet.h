#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>

// What an injector may be holding pressed on the X server (X keycodes and pointer buttons), as
// told to a process that outlives it and lets go of what it left held. Telling costs a system
// call, and text goes out by the hundred thousand keys a second, so the set told is a superset:
// it grows before a press it does not cover yet and shrinks to what is really held once the
// input sent so far has gone out. Plain bookkeeping and the fixed-size snapshot it travels as.
// Used by one thread at a time.
class HeldInputSet {
 public:
  // 32 bytes of keycode bits, one byte of button bits (button b is bit b - 1), then the marker:
  // an X resource of the injecting connection, little-endian.
  static constexpr std::size_t snapshotSize = 37;
  using Snapshot = std::array<std::uint8_t, snapshotSize>;
  using Keycodes = std::bitset<256>;
  // Pointer buttons 1 to 5, those the core protocol reports held.
  static constexpr unsigned maxButton = 5;

  struct Contents {
    Keycodes keys;
    std::uint8_t buttons = 0;
    std::uint32_t marker = 0;

    [[nodiscard]] bool empty() const { return keys.none() && buttons == 0; }
    bool operator==(const Contents&) const = default;
  };

  // A press is about to be sent: true when the set told must grow first, and then it has.
  bool pressKey(std::uint8_t keycode);
  bool pressButton(unsigned button);
  // A release has been sent.
  void releaseKey(std::uint8_t keycode);
  void releaseButton(unsigned button);

  // The input sent so far has gone out: true when the set told shrinks, and then it has.
  bool settle();

  // What is really held, as far as this side knows.
  [[nodiscard]] const Keycodes& heldKeys() const { return held.keys; }
  [[nodiscard]] std::uint8_t heldButtons() const { return held.buttons; }

  // The set told, with marker, as it travels.
  [[nodiscard]] Snapshot snapshot(std::uint32_t marker) const;
  // A snapshot read back; nothing when bytes is not one.
  [[nodiscard]] static std::optional<Contents> decode(std::span<const std::uint8_t> bytes);

 private:
  Contents told;
  Contents held;
};
