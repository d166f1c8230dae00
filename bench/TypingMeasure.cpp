#include "TypingMeasure.h"

#include <algorithm>
#include <future>
#include <iostream>
#include <random>
#include <string_view>

namespace {

constexpr std::size_t typedChars = 10'000;
constexpr std::size_t lineLength = 64;

// Characters of expected that did not arrive, or arrived out of order: those outside a longest
// common subsequence of what was expected and what was recorded.
std::size_t lostChars(const std::vector<std::uint32_t>& expected, const std::vector<std::uint32_t>& got) {
  std::vector<std::uint32_t> previous(got.size() + 1, 0);
  std::vector<std::uint32_t> current(got.size() + 1, 0);
  for (const std::uint32_t e : expected) {
    for (std::size_t j = 1; j <= got.size(); ++j) {
      current[j] = e == got[j - 1] ? previous[j - 1] + 1 : std::max(previous[j], current[j - 1]);
    }
    std::swap(previous, current);
  }
  return expected.size() - previous.back();
}

}  // namespace

std::uint32_t recordedAs(char c) { return c == '\x03' ? enterCodePoint : static_cast<unsigned char>(c); }

std::string typingText() {
  constexpr std::string_view plain = "abcdefghijklmnopqrstuvwxyz0123456789 -=[]\\;',./`";
  constexpr std::string_view shifted = "ABCDEFGHIJKLMNOPQRSTUVWXYZ!@#$%^&*()_+{}|:\"~?>";
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> pick(0, 1'000'000);
  std::string text;
  for (std::size_t i = 1; i <= typedChars; ++i) {
    if (i % lineLength == 0) {
      text += '\x03';
      continue;
    }
    const std::string_view set = pick(random) % 2 == 0 ? plain : shifted;
    text += set[pick(random) % set.size()];
  }
  return text;
}

TypingResult measure(const char* what, const std::function<Recording()>& collect,
                     const std::vector<std::uint32_t>& expected, const std::function<void()>& typeAll) {
  auto recording = std::async(std::launch::async, collect);
  const auto start = Clock::now();
  typeAll();
  const Recording got = recording.get();
  if (!got.sawEnd) std::cerr << what << ": the end marker never arrived\n";
  if (got.chars.size() != expected.size()) {
    std::cerr << what << ": " << got.chars.size() << " characters recorded, " << expected.size() << " typed\n";
  }
  TypingResult result;
  result.lost = lostChars(expected, got.chars);
  const double seconds = std::chrono::duration<double>(got.lastCharAt - start).count();
  if (seconds > 0) result.charsPerSecond = static_cast<double>(expected.size() - result.lost) / seconds;
  return result;
}
