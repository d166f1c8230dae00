#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "history/DeletedNote.h"
#include "history/TreeHistory.h"
#include "history/TreeStep.h"
#include "project/ProjectFile.h"

namespace {

// The tree as a list of groups, each holding its commands.
class ListTree final : public TreeModel {
 public:
  std::unique_ptr<BaseCommand> take(const TreeSpot& spot) override {
    auto& list = spot.command ? commandsOf(spot.group) : groupsAsRecords();
    const std::size_t at = spot.command ? *spot.command : spot.group;
    std::unique_ptr<BaseCommand> out = std::move(list.at(at));
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
    return out;
  }
  void put(const TreeSpot& spot, std::unique_ptr<BaseCommand> record) override {
    auto& list = spot.command ? commandsOf(spot.group) : groupsAsRecords();
    const std::size_t at = spot.command ? *spot.command : spot.group;
    list.emplace(list.begin() + static_cast<std::ptrdiff_t>(at));
    list.at(at) = std::move(record);
  }
  std::unique_ptr<BaseCommand> swap(const TreeSpot& spot, std::unique_ptr<BaseCommand> record) override {
    if (spot.command) {
      std::swap(commandsOf(spot.group).at(*spot.command), record);
      return record;
    }
    auto& old = groups.at(spot.group);
    static_cast<GroupCommand&>(*record).unopenedCommands() = std::move(group(spot.group).unopenedCommands());
    std::swap(old, record);
    return record;
  }
  void select(const TreeSpot& spot) override { selected = spot; }

  GroupCommand& group(std::size_t at) {
    auto* found = static_cast<GroupCommand*>(groups.at(at).get());
    if (found == nullptr) throw std::out_of_range("no group");
    return *found;
  }
  std::vector<std::unique_ptr<BaseCommand>>& commandsOf(std::size_t at) { return group(at).unopenedCommands(); }

  // The project file's text of the tree.
  [[nodiscard]] std::string text() const {
    std::vector<ProjectFile::GroupBlock> blocks;
    for (const auto& g : groups) {
      const auto& owner = static_cast<const GroupCommand&>(*g);
      ProjectFile::GroupBlock block{&owner, {}};
      for (const auto& c : owner.unopenedCommands()) block.commands.push_back(c.get());
      blocks.push_back(block);
    }
    std::string out;
    ProjectFile::writeProject(out, blocks);
    return out;
  }

  std::vector<std::unique_ptr<BaseCommand>> groups;
  TreeSpot selected;

 private:
  std::vector<std::unique_ptr<BaseCommand>>& groupsAsRecords() { return groups; }
};

std::unique_ptr<GroupCommand> newGroup(const std::string& name, const std::vector<std::string>& commands) {
  auto group = std::make_unique<GroupCommand>();
  group->setName(name);
  // A start in the past, which reading a record would move to now: only an exact copy keeps it.
  group->setStartTime(wxDateTime(1, wxDateTime::Mar, 2020, 8, 30));
  group->setStopTime(wxDateTime(2, wxDateTime::Mar, 2020, 8, 30));
  for (const std::string& commandName : commands) {
    auto command = std::make_unique<BaseCommand>();
    command->setName(commandName);
    group->unopenedCommands().push_back(std::move(command));
  }
  return group;
}

// Hunt (Attack, Heal), Rest (), Fish (Cast).
void fill(ListTree& tree) {
  tree.groups.push_back(newGroup("Hunt", {"Attack", "Heal"}));
  tree.groups.push_back(newGroup("Rest", {}));
  tree.groups.push_back(newGroup("Fish", {"Cast"}));
}

using Act = std::function<void(ListTree&, TreeHistory&)>;

// A step of the tree with its edits.
std::unique_ptr<TreeStep> step(ListTree& tree, const char* name, const std::function<void(TreeStep&)>& edits) {
  auto made = std::make_unique<TreeStep>(tree, name);
  edits(*made);
  return made;
}

}  // namespace

// Fault: a step's edits taken back out of order, a record restored by reading its text (which
// moves a past start time), or an undo or redo that leaves the project unmarked as changed.
TEST(TreeHistoryTest, EveryKindOfStepDoneUndoneAndRedoneGivesBackTheSameText) {
  const struct {
    const char* name;
    Act act;
  } cases[] = {
      {"Add Group",
       [](ListTree& t, TreeHistory& h) {
         t.groups.push_back(newGroup("Command Group ", {}));
         h.keep(step(t, "Add Group", [&](TreeStep& s) { s.slot({3, {}}, nullptr); }));
       }},
      {"Delete Group", [](ListTree& t, TreeHistory& h) { h.submit(step(t, "Delete Group", [&](TreeStep& s) { s.slot({0, {}}, nullptr); })); }},
      {"Rename Group",
       [](ListTree& t, TreeHistory& h) {
         auto before = t.group(0).copy();
         t.group(0).setName("Chase");
         h.keep(step(t, "Rename Group", [&](TreeStep& s) { s.record({0, {}}, std::move(before)); }));
       }},
      {"Edit Command",
       [](ListTree& t, TreeHistory& h) {
         auto before = t.commandsOf(0).at(1)->clone();
         t.commandsOf(0).at(1)->setText("go<ENTER>");
         h.keep(step(t, "Edit Command", [&](TreeStep& s) { s.record({0, 1}, std::move(before)); }));
       }},
      {"Delete Command", [](ListTree& t, TreeHistory& h) { h.submit(step(t, "Delete Command", [&](TreeStep& s) { s.slot({0, 0}, nullptr); })); }},
      {"Move Command",
       [](ListTree& t, TreeHistory& h) {
         std::unique_ptr<BaseCommand> original = t.take({0, 0});
         t.put({2, 1}, original->clone());
         h.keep(step(t, "Move Command", [&](TreeStep& s) { s.slot({0, 0}, std::move(original)).slot({2, 1}, nullptr); }));
       }},
      {"Copy Command",
       [](ListTree& t, TreeHistory& h) {
         std::unique_ptr<BaseCommand> copy = t.commandsOf(0).at(0)->clone();
         t.put({1, 0}, std::move(copy));
         h.keep(step(t, "Copy Command", [&](TreeStep& s) { s.slot({1, 0}, nullptr); }));
       }},
      {"Move Group", [](ListTree& t, TreeHistory& h) { h.submit(step(t, "Move Group", [&](TreeStep& s) { s.moveGroup(0, 2); })); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ListTree tree;
    fill(tree);
    int changes = 0;
    TreeHistory history([&changes] { ++changes; });
    const std::string before = tree.text();
    c.act(tree, history);
    const std::string after = tree.text();
    ASSERT_NE(after, before);
    history.undo();
    EXPECT_EQ(tree.text(), before);
    history.redo();
    EXPECT_EQ(tree.text(), after);
    history.undo();
    EXPECT_EQ(tree.text(), before);
    EXPECT_EQ(changes, 4);
  }
}

// Fault: a history that grows without end, or forgets the newest steps instead of the oldest.
TEST(TreeHistoryTest, TheHistoryKeepsTheLastHundredStepsAndForgetsTheOldest) {
  ListTree tree;
  fill(tree);
  TreeHistory history([] {});
  constexpr int made = TreeHistory::mostSteps + 5;
  for (int n = 1; n <= made; ++n) {
    auto before = tree.group(0).copy();
    tree.group(0).setName("Hunt " + std::to_string(n));
    history.keep(step(tree, "Rename Group", [&](TreeStep& s) { s.record({0, {}}, std::move(before)); }));
  }
  EXPECT_EQ(history.size(), static_cast<std::size_t>(TreeHistory::mostSteps));
  for (int n = 0; n < made; ++n) history.undo();
  EXPECT_EQ(tree.group(0).getName(), "Hunt 5");
  EXPECT_FALSE(history.processor().CanUndo());
}

// Fault: a note that names the wrong thing, counts one command as "commands", or names no way back.
TEST(TreeHistoryTest, ADeleteSaysWhatWentAndHowToBringItBack) {
  const struct {
    std::string note;
    std::string expected;
  } cases[] = {
      {DeletedNote::group("Hunt", 12, "Ctrl+Z"), "Deleted group \"Hunt\" with 12 commands \u2014 Ctrl+Z brings it back"},
      {DeletedNote::group("Hunt", 1, "Ctrl+Z"), "Deleted group \"Hunt\" with 1 command \u2014 Ctrl+Z brings it back"},
      {DeletedNote::group("Rest", 0, "Ctrl+Z"), "Deleted group \"Rest\" \u2014 Ctrl+Z brings it back"},
      {DeletedNote::command("Attack", "Ctrl+Z"), "Deleted command \"Attack\" \u2014 Ctrl+Z brings it back"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.note, c.expected);
}
