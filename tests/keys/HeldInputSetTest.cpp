#include "keys/HeldInputSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One step of an injector's life: a press or release of a key (k) or button (b), or a flush (f).
struct Step {
  char what;
  bool down;
  unsigned number;
};

constexpr Step press(unsigned keycode) { return {'k', true, keycode}; }
constexpr Step release(unsigned keycode) { return {'k', false, keycode}; }
constexpr Step pressButton(unsigned button) { return {'b', true, button}; }
constexpr Step releaseButton(unsigned button) { return {'b', false, button}; }
constexpr Step flush{'f', false, 0};

// Plays the steps; after each report, the keycodes and buttons it tells, as "k50 k62 b1".
std::vector<std::string> reports(const std::vector<Step>& steps) {
  HeldInputSet set;
  std::vector<std::string> told;
  for (const Step& step : steps) {
    bool changed = false;
    if (step.what == 'k' && step.down) changed = set.pressKey(static_cast<std::uint8_t>(step.number));
    if (step.what == 'k' && !step.down) set.releaseKey(static_cast<std::uint8_t>(step.number));
    if (step.what == 'b' && step.down) changed = set.pressButton(step.number);
    if (step.what == 'b' && !step.down) set.releaseButton(step.number);
    if (step.what == 'f') changed = set.settle();
    if (!changed) continue;
    const auto contents = HeldInputSet::decode(set.snapshot(0xA1B2C3D4));
    EXPECT_EQ(contents->marker, 0xA1B2C3D4U);
    std::string text;
    for (std::size_t code = 0; code < contents->keys.size(); ++code) {
      if (contents->keys.test(code)) text += (text.empty() ? "k" : " k") + std::to_string(code);
    }
    for (unsigned button = 1; button <= HeldInputSet::maxButton; ++button) {
      if ((contents->buttons & (1U << (button - 1))) != 0) text += (text.empty() ? "b" : " b") + std::to_string(button);
    }
    told.push_back(text);
  }
  return told;
}

}  // namespace

// Each case names the fault it catches; every report is listed in order ("" is "all released").
TEST(HeldInputSetTest, ReportsGrowBeforeNewPressesAndShrinkAtFlushes) {
  struct Case {
    const char* fault;
    std::vector<Step> steps;
    std::vector<std::string> told;
  };
  const Case cases[] = {
      {"a press not told before it is sent", {press(50)}, {"k50"}},
      {"a report per key event, where typing needs none once the key is told",
       {press(38), release(38), press(38), release(38), press(255), release(255)},
       {"k38", "k38 k255"}},
      {"the set told never shrinks, so a clean end cannot say that nothing is held",
       {press(50), press(38), release(38), flush, release(50), flush},
       {"k50", "k38 k50", "k50", ""}},
      {"a flush with nothing changed reported again", {press(50), flush, release(50), flush, flush}, {"k50", ""}},
      {"a held button lost, or another button's release taken for it",
       {pressButton(1), pressButton(3), releaseButton(3), flush, pressButton(2)},
       {"b1", "b1 b3", "b1", "b1 b2"}},
      {"a button outside the core pointer's five counted", {pressButton(9), flush}, {}},
      {"keycode bits of the top and bottom bytes lost in the encoding",
       {press(0), press(7), press(8), press(255), pressButton(5)},
       {"k0", "k0 k7", "k0 k7 k8", "k0 k7 k8 k255", "k0 k7 k8 k255 b5"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reports(c.steps), c.told) << c.fault;
  }
}

// Fault: a short or long read taken for a snapshot.
TEST(HeldInputSetTest, OnlyWholeSnapshotsDecode) {
  const HeldInputSet::Snapshot whole{};
  EXPECT_TRUE(HeldInputSet::decode(whole).has_value());
  EXPECT_FALSE(HeldInputSet::decode(std::span(whole.data(), whole.size() - 1)).has_value());
  EXPECT_FALSE(HeldInputSet::decode(std::span<const std::uint8_t>()).has_value());
}
