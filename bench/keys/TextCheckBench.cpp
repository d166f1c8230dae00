// Microseconds the check of a command text takes at the editor's largest length, as it runs on
// every keystroke: a clean text and one full of findings. Prints "name value unit" lines.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "keys/KeyTextCheck.h"
#include "keys/KeyTokens.h"

namespace {

using Clock = std::chrono::steady_clock;

// The editor's largest text.
constexpr std::size_t textLength = 16384;
constexpr std::size_t mostMarks = 64;
constexpr int rounds = 200;

std::string repeated(const std::string& piece) {
  std::string text;
  while (text.size() + piece.size() <= textLength) text += piece;
  return text;
}

double bestMicroseconds(const KeyTextCheck& check, const std::string& text, std::size_t limit) {
  double best = 1e12;
  std::size_t found = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    found += check.check(text, KeyTextCheck::Screen{1920, 1080}, limit).size();
    best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  // Keeps the work from being optimised away.
  if (found == static_cast<std::size_t>(-1)) std::printf("-\n");
  return best;
}

}  // namespace

int main() {
  const KeyTokens tokens;
  const KeyTextCheck check(tokens);
  const std::string clean = repeated("Hello <ENTER>world <MOUSE-LEFT-CLICK 10 20><CTRL-DOWN>c<CTRL-UP>");
  const std::string faulty = repeated("<ENTR>x<MOUSE-LEFT-CLICK X Y>");
  std::printf("text_check_clean_16k %.1f us\n", bestMicroseconds(check, clean, mostMarks));
  std::printf("text_check_faulty_16k %.1f us\n", bestMicroseconds(check, faulty, mostMarks));
  std::printf("text_check_faulty_16k_unbounded %.1f us\n", bestMicroseconds(check, faulty, textLength));
  return 0;
}
