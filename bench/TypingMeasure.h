#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the typing benchmarks share: the text they type, how its characters are recorded, and
// the measurement of one typing against a recording client.

using Clock = std::chrono::steady_clock;

inline constexpr auto recordingTimeout = std::chrono::seconds(120);
inline constexpr std::uint32_t enterCodePoint = 13;

// Printable ASCII without '<', which would start a token: about half of the characters need
// Shift, and every 64th is a stored line break. 10,000 characters.
[[nodiscard]] std::string typingText();

// What a typed character is recorded as: itself, or Enter's code point for a line break.
[[nodiscard]] std::uint32_t recordedAs(char c);

// What a recording client saw, up to the end marker (an Escape press).
struct Recording {
  std::vector<std::uint32_t> chars;
  Clock::time_point lastCharAt{};
  bool sawEnd = false;
};

struct TypingResult {
  double charsPerSecond = 0;
  // Characters that did not arrive, or arrived out of order.
  std::size_t lost = 0;
};

// Runs typeAll while collect gathers the client's recording on another thread, and measures
// from the start until the last character arrives; tells on stderr what went amiss.
TypingResult measure(const char* what, const std::function<Recording()>& collect,
                     const std::vector<std::uint32_t>& expected, const std::function<void()>& typeAll);
