#include "tree/ItemNames.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

ItemNames::Taken takenFrom(const std::set<std::string>& names) {
  return [&names](const std::string& name) { return names.count(name) != 0; };
}

}  // namespace

TEST(ItemNames, NewGroupsInARowAreNumberedFromTwo) {
  std::set<std::string> siblings;
  for (const char* expected : {"Command Group ", "Command Group 2", "Command Group 3"}) {
    const std::string name = ItemNames::unique("Command Group ", NameStyle::plain, takenFrom(siblings));
    EXPECT_EQ(name, expected);
    siblings.insert(name);
  }
}

TEST(ItemNames, CopiesAreNumberedFromOne) {
  std::set<std::string> siblings{"Attack"};
  EXPECT_EQ(ItemNames::unique("Attack", NameStyle::copy, takenFrom(siblings)), "Copy (1) of Attack");
  siblings.insert("Copy (1) of Attack");
  EXPECT_EQ(ItemNames::unique("Attack", NameStyle::copy, takenFrom(siblings)), "Copy (2) of Attack");
}

TEST(ItemNames, AFreeNameStaysAsItIs) {
  const std::set<std::string> siblings{"Attack2", "Copy (1) of Attack"};
  EXPECT_EQ(ItemNames::unique("Attack", NameStyle::plain, takenFrom(siblings)), "Attack");
  EXPECT_EQ(ItemNames::unique("Attack", NameStyle::copy, takenFrom(siblings)), "Attack");
}

TEST(ItemNames, TheFirstFreeCandidateIsTakenEvenPastAGap) {
  EXPECT_EQ(ItemNames::unique("Attack", NameStyle::plain, takenFrom({"Attack"})), "Attack2");
  EXPECT_EQ(ItemNames::unique("Attack", NameStyle::plain, takenFrom({"Attack", "Attack3"})), "Attack2");
  EXPECT_EQ(ItemNames::unique("Attack", NameStyle::plain, takenFrom({"Attack", "Attack2", "Attack3"})), "Attack4");
  EXPECT_EQ(ItemNames::unique("Attack", NameStyle::copy,
                              takenFrom({"Attack", "Copy (1) of Attack", "Copy (2) of Attack"})),
            "Copy (3) of Attack");
}

TEST(ItemNames, AnEmptyNameGetsCandidatesToo) {
  EXPECT_EQ(ItemNames::unique("", NameStyle::plain, takenFrom({""})), "2");
  EXPECT_EQ(ItemNames::unique("", NameStyle::copy, takenFrom({""})), "Copy (1) of ");
}

TEST(ItemNames, EditedLabelsLoseTheBytesThatWouldBreakTheFile) {
  EXPECT_EQ(ItemNames::withoutBreakingBytes("Fi\x7fre\r\nNow\n"), "FireNow");
  EXPECT_EQ(ItemNames::withoutBreakingBytes("\r\n\x7f"), "");
  // Other control bytes and UTF-8 sequences are kept as they are.
  EXPECT_EQ(ItemNames::withoutBreakingBytes("Tab\there caf\xc3\xa9 \x02\x03"), "Tab\there caf\xc3\xa9 \x02\x03");
}

// Fault: a name of a million characters read from a file took seconds to show and to repaint.
TEST(ItemNames, ALabelShowsALongNameCutBetweenCharacters) {
  const std::string x255(255, 'x');
  const std::pair<std::string, std::string> cases[] = {
      {x255 + "y", x255 + "y"},
      {x255 + "\xc3\xa9z", x255 + "\xc3\xa9\u2026"},
      {x255 + "y\xc3\xa9", x255 + "y\u2026"},
      {std::string(1'000'000, 'n'), std::string(256, 'n') + "\u2026"}};
  for (const auto& [name, label] : cases) EXPECT_EQ(ItemNames::label(name), label) << name.size();
}
