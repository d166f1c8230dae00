#include "run/TypingSlices.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Types at most three actions a slice, as a slow window would take them, and keeps what it typed.
struct ThreeAtATime {
  std::string typed;
  int slices = 0;
  std::size_t operator()(const KeyActions& list, std::size_t from, TypingSlices::Clock::time_point until) {
    EXPECT_GT(until, TypingSlices::Clock::now());
    ++slices;
    const std::size_t to = std::min(list.size(), from + 3);
    typed.append(list.begin() + static_cast<std::ptrdiff_t>(from), list.begin() + static_cast<std::ptrdiff_t>(to));
    return to;
  }
};

KeyActions actions(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

// Catches a long text that loses, doubles or reorders what lies at a slice's edge, one said to be
// done before its last slice, a stop that leaves the rest to be typed later, and a new text that
// goes on from where the last one was stopped.
TEST(TypingSlicesTest, ATextGoesOnWhereItsLastSliceEndedUntilItIsDoneOrStopped) {
  ThreeAtATime keyboard;
  TypingSlices typing([&keyboard](const KeyActions& list, std::size_t from, TypingSlices::Clock::time_point until) {
    return keyboard(list, from, until);
  });
  EXPECT_FALSE(typing.typeSlice());
  typing.start(actions("abcdefgh"));
  EXPECT_FALSE(typing.typeSlice());
  EXPECT_FALSE(typing.typeSlice());
  EXPECT_TRUE(typing.isTyping());
  EXPECT_TRUE(typing.typeSlice());
  EXPECT_FALSE(typing.isTyping());
  EXPECT_EQ(keyboard.typed, "abcdefgh");

  typing.start(actions("12345678"));
  EXPECT_FALSE(typing.typeSlice());
  typing.stop();
  EXPECT_FALSE(typing.typeSlice());
  typing.start(actions("XYZ"));
  EXPECT_TRUE(typing.typeSlice());
  EXPECT_EQ(keyboard.typed, "abcdefgh123XYZ");
  EXPECT_EQ(keyboard.slices, 5);
}
