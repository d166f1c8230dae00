#include "keys/HeldInputSet.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Plays steps such as "+k50 -k50 +b1 f" (press or release of keycode 50, press of button 1, a
// flush); after each report, what it tells, as "k50 b1" ("" is "nothing held").
std::vector<std::string> reports(const std::string& steps) {
  HeldInputSet set;
  std::vector<std::string> told;
  std::istringstream in(steps);
  for (std::string step; in >> step;) {
    const bool down = step[0] == '+';
    const auto number = step == "f" ? 0U : static_cast<unsigned>(std::stoul(step.substr(2)));
    bool changed = false;
    if (step == "f") changed = set.settle();
    else if (step[1] == 'k' && down) changed = set.pressKey(static_cast<std::uint8_t>(number));
    else if (step[1] == 'k') set.releaseKey(static_cast<std::uint8_t>(number));
    else if (down) changed = set.pressButton(number);
    else set.releaseButton(number);
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

// Each case names the fault it catches; every report is listed in order.
TEST(HeldInputSetTest, ReportsGrowBeforeNewPressesAndShrinkAtFlushes) {
  struct Case {
    const char* fault;
    std::string steps;
    std::vector<std::string> told;
  };
  const Case cases[] = {
      {"a press not told before it is sent", "+k50", {"k50"}},
      {"a report per key event, where typing needs none once the key is told",
       "+k38 -k38 +k38 -k38 +k255 -k255", {"k38", "k38 k255"}},
      {"the set told never shrinks, so a clean end cannot say that nothing is held",
       "+k50 +k38 -k38 f -k50 f", {"k50", "k38 k50", "k50", ""}},
      {"a flush with nothing changed reported again", "+k50 f -k50 f f", {"k50", ""}},
      {"a held button lost, or another button's release taken for it", "+b1 +b3 -b3 f +b2",
       {"b1", "b1 b3", "b1", "b1 b2"}},
      {"a button the core pointer does not report counted", "+b9 f", {}},
      {"keycode bits of the first and last bytes lost in the encoding", "+k0 +k7 +k8 +k255 +b5",
       {"k0", "k0 k7", "k0 k7 k8", "k0 k7 k8 k255", "k0 k7 k8 k255 b5"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reports(c.steps), c.told) << c.fault;
  }
  // A short read is no snapshot.
  const HeldInputSet::Snapshot whole{};
  EXPECT_FALSE(HeldInputSet::decode(std::span(whole.data(), whole.size() - 1)).has_value());
}
