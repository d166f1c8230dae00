#include "project/TreeState.h"

#include <gtest/gtest.h>

#include <fstream>

#include "project/Settings.h"
#include "project/TreeShare.h"
#include "support/TempDir.h"

using Step = TreeState::Step;

// Fault: a group was found again by its place alone (another one opened after a group was
// deleted before it) or by its name alone (the first of two same-named groups opened twice).
TEST(TreeState, AStepFindsItsItemByPlaceThenByTheNearestOfItsName) {
  const std::vector<std::string> groups{"Hunt", "Rest", "Hunt", "Trade"};
  const struct {
    Step step;
    std::optional<std::size_t> found;
  } cases[] = {
      {{2, "Hunt"}, 2},     // where it was
      {{3, "Hunt"}, 2},     // a group before it went: the nearer "Hunt"
      {{0, "Trade"}, 3},    // groups came before it
      {{9, "Rest"}, 1},     // a place past the end
      {{1, "Gone"}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TreeState::find(c.step, groups), c.found) << c.step.place << " " << c.step.name;
  }
}

// Fault: names with blanks, backslashes or odd characters did not come back from the settings
// file as written, or a damaged entry lost the entries after it.
TEST(TreeState, TheStateSurvivesTheSettingsFileAndDamagedLinesAreSkipped) {
  const TempDir dir;
  const auto path = dir.path() / "Zentak.conf";
  TreeState state;
  state.openGroups = {{0, "Command Group "}, {4, "a\\b = \"c\" #d"}, {7, " caf\xc3\xa9"}};
  state.selected = {{4, "a\\b = \"c\" #d"}, {1, ""}};
  state.write(*Settings::file(path));
  EXPECT_EQ(TreeState::read(*Settings::file(path)), state);

  const struct {
    std::string text;
    std::vector<Step> steps;
  } cases[] = {
      {"", {}},
      {"3 Hunt", {{3, "Hunt"}}},
      {"x Hunt\n2 Rest", {{2, "Rest"}}},
      {"-1 Hunt\n2\n 5 Trade\n0 ", {{0, ""}}},
  };
  for (const auto& c : cases) EXPECT_EQ(TreeState::parse(c.text), c.steps) << c.text;
}

// Fault: nothing stored, or a share edited by hand past either edge, left the tree with no
// width or the editors with none.
TEST(TreeShare, AStoredShareIsUsedOnlyWithinItsRange) {
  const TempDir dir;
  const auto settings = Settings::file(dir.path() / "Zentak.conf");
  const struct {
    std::optional<std::int32_t> stored;
    std::int32_t read;
  } cases[] = {{std::nullopt, 300}, {420, 420}, {49, 300}, {951, 300}, {950, 950}};
  for (const auto& c : cases) {
    if (c.stored) settings->write("treeShare", *c.stored);
    EXPECT_EQ(TreeShare::read(*settings).thousandths(), c.read) << c.stored.value_or(-1);
  }
}

// Fault: the divider could be dragged over the editors' controls or make the tree vanish, or the
// smallest window cut the editors short at the tree's share.
TEST(TreeShare, TheDividerLeavesBothSidesTheirWidth) {
  const struct {
    int position;
    int limited;
  } cases[] = {{250, 250}, {20, 100}, {700, 1000 - 5 - 400}};
  for (const auto& c : cases) EXPECT_EQ(TreeShare::limit(c.position, 1000, 100, 400, 5), c.limited) << c.position;

  const TreeShare share = TreeShare().movedTo(400, 1000);
  EXPECT_EQ(share.thousandths(), 400);
  EXPECT_EQ(share.position(500), 200);
  const int smallest = share.smallestWidth(355, 5);
  EXPECT_GE(smallest - share.position(smallest) - 5, 355);
  EXPECT_EQ(TreeShare().movedTo(10, 0), TreeShare());
}
