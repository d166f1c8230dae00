#include "tree/CommandTree.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/imaglist.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "support/GuiTest.h"
#include "support/RecordingDialogs.h"
#include "text/WxText.h"

namespace {

// Records that count their destructions, to see when the tree deletes them.
int destroyedRecords = 0;

class CountingCommand : public BaseCommand {
 public:
  ~CountingCommand() override { ++destroyedRecords; }
};

class CountingGroup : public GroupCommand {
 public:
  ~CountingGroup() override { ++destroyedRecords; }
};

// A window holding a tree and handling its notifications the way the main window does.
class TreeHost {
 public:
  TreeHost() : frame(nullptr, wxID_ANY, "commands") {
    tree = new CommandTree(&frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxTR_HAS_BUTTONS | wxTR_EDIT_LABELS | wxBORDER_SUNKEN);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(tree, 1, wxEXPAND);
    frame.SetSizer(sizer);
    frame.SetClientSize(300, 400);
    frame.Bind(wxEVT_TREE_BEGIN_LABEL_EDIT, [this](wxTreeEvent& event) { tree->beginLabelEdit(event); });
    frame.Bind(wxEVT_TREE_END_LABEL_EDIT, [this](wxTreeEvent& event) { tree->endLabelEdit(event); });
    frame.Bind(wxEVT_TREE_ITEM_COLLAPSING, [this](wxTreeEvent& event) { tree->itemCollapsing(event); });
    frame.Bind(wxEVT_TREE_BEGIN_DRAG, [this](wxTreeEvent& event) { dragItem = tree->beginDrag(event); });
    frame.Bind(wxEVT_TREE_BEGIN_RDRAG, [this](wxTreeEvent& event) { dragItem = tree->beginDrag(event); });
    frame.Bind(wxEVT_TREE_END_DRAG, [this](wxTreeEvent& event) {
      if (dragItem.IsOk()) tree->dropCommand(dragItem, event.GetItem(), copyOnDrop);
      dragItem = wxTreeItemId();
    });
    frame.Show();
    root = tree->addRootItem();
  }

  wxTreeItemId addGroup(const std::string& name, std::unique_ptr<GroupCommand> group = nullptr) {
    if (group == nullptr) group = std::make_unique<GroupCommand>();
    group->setName(name);
    return tree->appendGroup(std::move(group), NameStyle::plain);
  }

  wxTreeItemId addCommand(const wxTreeItemId& group, const std::string& name,
                          std::unique_ptr<BaseCommand> command = nullptr) {
    if (command == nullptr) command = std::make_unique<BaseCommand>();
    command->setName(name);
    return tree->appendCommand(group, std::move(command), NameStyle::plain);
  }

  // The labels of a parent's children, in order; each must equal its record's name.
  std::vector<std::string> labels(const wxTreeItemId& parent) const {
    std::vector<std::string> result;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree->GetFirstChild(parent, cookie); child.IsOk();
         child = tree->GetNextChild(parent, cookie)) {
      result.push_back(WxText::toUtf8(tree->GetItemText(child)));
      EXPECT_EQ(tree->record(child)->getName(), result.back()) << "label and record differ";
    }
    return result;
  }

  // Gives a group a command without an item, as reading a project does.
  void holdCommand(const wxTreeItemId& group, const std::string& name, std::unique_ptr<BaseCommand> command = nullptr) {
    if (command == nullptr) command = std::make_unique<BaseCommand>();
    command->setName(name);
    tree->holdCommand(group, std::move(command));
  }

  wxTreeItemId child(const wxTreeItemId& parent, std::size_t index) const {
    wxTreeItemIdValue cookie;
    wxTreeItemId item = tree->GetFirstChild(parent, cookie);
    for (std::size_t i = 0; i < index && item.IsOk(); ++i) item = tree->GetNextChild(parent, cookie);
    return item;
  }

  // Sends a begin-drag notification as the toolkit does: refused unless the handler allows it.
  bool beginDrag(const wxTreeItemId& item) {
    wxTreeEvent event(wxEVT_TREE_BEGIN_DRAG, tree, item);
    event.Veto();
    tree->GetEventHandler()->ProcessEvent(event);
    return event.IsAllowed();
  }

  void endDrag(const wxTreeItemId& target) {
    wxTreeEvent event(wxEVT_TREE_END_DRAG, tree, target);
    tree->GetEventHandler()->ProcessEvent(event);
  }

  wxFrame frame;
  CommandTree* tree = nullptr;
  wxTreeItemId root;
  wxTreeItemId dragItem;
  bool copyOnDrop = false;
};

using Labels = std::vector<std::string>;

}  // namespace

TEST(CommandTreeLayout, TheImageListHoldsTheFiveTreeImagesAtSixteenPixels) {
  TreeHost host;
  const wxImageList* images = host.tree->GetImageList();
  ASSERT_NE(images, nullptr);
  ASSERT_EQ(images->GetImageCount(), 5);
  for (int i = 0; i < images->GetImageCount(); ++i) {
    const wxBitmap image = images->GetBitmap(i);
    ASSERT_TRUE(image.IsOk()) << "image " << i;
    EXPECT_EQ(image.GetSize(), wxSize(16, 16)) << "image " << i;
  }
}

TEST(CommandTreeLayout, EachLevelShowsItsOwnImages) {
  TreeHost host;
  const wxTreeItemId group = host.addGroup("Hunt");
  EXPECT_EQ(host.tree->GetItemText(host.root), "Available Commands");
  EXPECT_EQ(host.tree->GetItemImage(host.root), CommandTree::rootClosedImage);
  EXPECT_EQ(host.tree->GetItemImage(host.root, wxTreeItemIcon_Expanded), CommandTree::rootOpenImage);
  EXPECT_EQ(host.tree->GetItemImage(group), CommandTree::groupClosedImage);
  const wxTreeItemId command = host.addCommand(group, "Attack");
  EXPECT_EQ(host.tree->GetItemImage(group, wxTreeItemIcon_Expanded), CommandTree::groupOpenImage);
  EXPECT_EQ(host.tree->GetItemImage(command), CommandTree::commandImage);
  EXPECT_EQ(host.tree->record(host.root), nullptr);
  EXPECT_NE(host.tree->groupRecord(group), nullptr);
  EXPECT_EQ(host.tree->groupRecord(command), nullptr);
  EXPECT_EQ(host.tree->groupOf(command), group);
  EXPECT_EQ(host.tree->groupOf(group), group);
  EXPECT_FALSE(host.tree->groupOf(host.root).IsOk());
}

TEST(CommandTreeLayout, TheLabelEditorIsAtLeastItsNaturalSizeAndItsItemShows) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId shortName = host.addCommand(hunt, "A");
  host.tree->Collapse(hunt);
  GuiTest::flushEvents();
  wxTextCtrl* editor = host.tree->EditLabel(shortName);
  ASSERT_NE(editor, nullptr);
  GuiTest::flushEvents();
  EXPECT_TRUE(host.tree->IsVisible(shortName));
  EXPECT_GE(editor->GetSize().x, editor->GetBestSize().x);
  EXPECT_GE(editor->GetSize().y, editor->GetBestSize().y);
  host.tree->EndEditLabel(shortName, true);
  GuiTest::flushEvents();
}

TEST(CommandTreeNames, NewGroupsInARowAreCommandGroupThenTwoThenThree) {
  TreeHost host;
  for (int i = 0; i < 3; ++i) host.addGroup("Command Group ");
  EXPECT_EQ(host.labels(host.root), (Labels{"Command Group ", "Command Group 2", "Command Group 3"}));
}

TEST(CommandTreeNames, OnlySiblingsAreComparedByteForByte) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId fish = host.addGroup("Fish");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  const wxTreeItemId cast = host.addCommand(fish, "Cast");
  EXPECT_FALSE(host.tree->isNameUnique("Fish", hunt));
  EXPECT_TRUE(host.tree->isNameUnique("Hunt", hunt));
  EXPECT_TRUE(host.tree->isNameUnique("fish", hunt));
  EXPECT_TRUE(host.tree->isNameUnique("Attack", cast));
  EXPECT_TRUE(host.tree->isNameUnique("Hunt", attack));
  EXPECT_TRUE(host.tree->isNameUnique("Hunt", host.root));
  EXPECT_TRUE(host.tree->isNameUnique("Hunt", wxTreeItemId()));
}

TEST(CommandTreeNames, MakingANameUniqueSetsTheLabelOnlyWhenItChanges) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  const wxTreeItemId other = host.tree->AppendItem(hunt, "Attack", CommandTree::commandImage);
  host.tree->SetItemText(attack, "kept");
  wxString name = "Free";
  host.tree->makeNameUnique(name, attack, NameStyle::plain);
  EXPECT_EQ(name, "Free");
  EXPECT_EQ(host.tree->GetItemText(attack), "kept");
  name = "Attack";
  host.tree->makeNameUnique(name, attack, NameStyle::copy);
  EXPECT_EQ(name, "Copy (1) of Attack");
  EXPECT_EQ(host.tree->GetItemText(attack), "Copy (1) of Attack");
  EXPECT_EQ(host.tree->GetItemText(other), "Attack");
}

TEST(CommandTreeNames, NamesThatAreNotUtf8ShowAsSingleByteText) {
  EXPECT_EQ(WxText::fromUtf8("Caf\xe9"), wxString::FromUTF8("Caf\xc3\xa9"));
  EXPECT_EQ(WxText::fromUtf8("Caf\xc3\xa9"), wxString::FromUTF8("Caf\xc3\xa9"));
  EXPECT_EQ(WxText::toUtf8(wxString::FromUTF8("Caf\xc3\xa9")), "Caf\xc3\xa9");
  TreeHost host;
  auto group = std::make_unique<GroupCommand>();
  group->setName("Old \xe9t\xe9");
  const wxTreeItemId loaded = host.tree->appendGroup(std::move(group), std::nullopt);
  // Appending without renaming keeps the stored bytes, so saving writes back what was read.
  EXPECT_EQ(host.tree->record(loaded)->getName(), "Old \xe9t\xe9");
  EXPECT_EQ(host.tree->GetItemText(loaded), wxString::FromUTF8("Old \xc3\xa9t\xc3\xa9"));
}

// Fault: a long name was shown whole, and the tree took seconds to draw it.
TEST(CommandTreeNames, ALongNameShowsCutShortAndStaysWholeInTheRecord) {
  TreeHost host;
  const std::string longName(100'000, 'n');
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId first = host.addCommand(hunt, longName);
  EXPECT_EQ(host.tree->GetItemText(first).length(), ItemNames::longestLabel + 1);
  // Names differing past the cut are two names; an edit leaving the label as shown keeps one whole.
  EXPECT_EQ(host.tree->record(host.addCommand(hunt, longName + "2"))->getName(), longName + "2");
  host.tree->EditLabel(first);
  host.tree->EndEditLabel(first);
  GuiTest::flushEvents();
  EXPECT_EQ(host.tree->record(first)->getName(), longName);
}

TEST(CommandTreeRename, AnEditedLabelBecomesTheRecordsName) {
  RecordingDialogs dialogs;
  TreeHost host;
  const wxTreeItemId attack = host.addCommand(host.addGroup("Hunt"), "Attack");
  wxTextCtrl* editor = host.tree->EditLabel(attack);
  ASSERT_NE(editor, nullptr);
  editor->SetValue("Fire");
  host.tree->EndEditLabel(attack);
  GuiTest::flushEvents();
  EXPECT_EQ(host.tree->GetItemText(attack), "Fire");
  EXPECT_EQ(host.tree->record(attack)->getName(), "Fire");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(CommandTreeRename, ADuplicateSiblingNameIsRefusedWithAMessageOverTheMainWindow) {
  RecordingDialogs dialogs;
  TreeHost host;
  host.addGroup("Hunt");
  const wxTreeItemId fish = host.addGroup("Fish");
  wxTextCtrl* editor = host.tree->EditLabel(fish);
  ASSERT_NE(editor, nullptr);
  editor->SetValue("Hunt");
  host.tree->EndEditLabel(fish);
  GuiTest::flushEvents();
  EXPECT_EQ(host.tree->GetItemText(fish), "Fish");
  EXPECT_EQ(host.tree->record(fish)->getName(), "Fish");
  ASSERT_EQ(dialogs.messages.size(), 1U);
  EXPECT_EQ(dialogs.messages[0].text, "No duplicate command names.");
  EXPECT_EQ(dialogs.messages[0].caption, "Rename Error");
  EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::error);
  EXPECT_EQ(dialogs.messages[0].parent, &host.frame);
}

TEST(CommandTreeRename, TheOwnNameAndNamesFromOtherGroupsAreAccepted) {
  RecordingDialogs dialogs;
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  const wxTreeItemId cast = host.addCommand(host.addGroup("Fish"), "Cast");
  EXPECT_TRUE(host.tree->renameItem(attack, "Attack"));
  EXPECT_TRUE(host.tree->renameItem(cast, "Attack"));
  EXPECT_TRUE(host.tree->renameItem(cast, "Hunt"));
  EXPECT_TRUE(host.tree->renameItem(hunt, "attack"));
  EXPECT_EQ(host.tree->record(cast)->getName(), "Hunt");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(CommandTreeRename, AnEmptyNameIsAcceptedOnceAmongSiblings) {
  RecordingDialogs dialogs;
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  const wxTreeItemId heal = host.addCommand(hunt, "Heal");
  EXPECT_TRUE(host.tree->renameItem(attack, ""));
  EXPECT_FALSE(host.tree->renameItem(heal, ""));
  EXPECT_EQ(host.labels(hunt), (Labels{"", "Heal"}));
  EXPECT_EQ(dialogs.messages.size(), 1U);
}

TEST(CommandTreeRename, DelAndLineBreaksAreDroppedBeforeTheNameIsCompared) {
  RecordingDialogs dialogs;
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  const wxTreeItemId heal = host.addCommand(hunt, "Heal");
  const wxString del(wxUniChar(0x7f));
  EXPECT_TRUE(host.tree->renameItem(attack, "Fi" + del + "re\r\n"));
  EXPECT_FALSE(host.tree->renameItem(heal, "Fire\n"));
  EXPECT_EQ(host.labels(hunt), (Labels{"Fire", "Heal"}));
  EXPECT_EQ(dialogs.messages.size(), 1U);

  // Through the label editor the cleaned name is what stays, not the typed text.
  wxTextCtrl* editor = host.tree->EditLabel(heal);
  ASSERT_NE(editor, nullptr);
  editor->SetValue("He" + del + "al2");
  host.tree->EndEditLabel(heal);
  GuiTest::flushEvents();
  EXPECT_EQ(host.labels(hunt), (Labels{"Fire", "Heal2"}));
}

TEST(CommandTreeRename, TheRootIsNotEditedAndACancelledEditChangesNothing) {
  RecordingDialogs dialogs;
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  EXPECT_EQ(host.tree->EditLabel(host.root), nullptr);
  EXPECT_EQ(host.tree->GetEditControl(), nullptr);
  EXPECT_FALSE(host.tree->renameItem(host.root, "Mine"));
  EXPECT_EQ(host.tree->GetItemText(host.root), "Available Commands");

  wxTextCtrl* editor = host.tree->EditLabel(hunt);
  ASSERT_NE(editor, nullptr);
  editor->SetValue("Fish");
  host.tree->EndEditLabel(hunt, true);
  GuiTest::flushEvents();
  EXPECT_EQ(host.labels(host.root), (Labels{"Hunt"}));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(CommandTreeCollapse, CollapsingTheRootCollapsesEveryGroupFirst) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId fish = host.addGroup("Fish");
  host.addCommand(hunt, "Attack");
  host.addCommand(fish, "Cast");
  host.tree->Expand(host.root);
  host.tree->Expand(hunt);
  host.tree->Expand(fish);
  ASSERT_TRUE(host.tree->IsExpanded(hunt));
  host.tree->Collapse(host.root);
  host.tree->Expand(host.root);
  EXPECT_FALSE(host.tree->IsExpanded(hunt));
  EXPECT_FALSE(host.tree->IsExpanded(fish));

  // Collapsing a group leaves the others as they are.
  host.tree->Expand(hunt);
  host.tree->Expand(fish);
  host.tree->Collapse(hunt);
  EXPECT_TRUE(host.tree->IsExpanded(fish));
}

TEST(CommandTreeDrop, CtrlDropsOnTheFirstCommandInsertCopiesAtTheTop) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  host.addCommand(hunt, "Heal");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  host.tree->record(attack)->setRunCount(7);
  host.tree->record(attack)->setText("go<ENTER>");
  host.copyOnDrop = true;

  ASSERT_TRUE(host.beginDrag(attack));
  host.endDrag(host.child(hunt, 0));
  EXPECT_EQ(host.labels(hunt), (Labels{"Copy (1) of Attack", "Heal", "Attack"}));
  const wxTreeItemId copy = host.child(hunt, 0);
  EXPECT_EQ(host.tree->GetSelection(), copy);
  EXPECT_NE(host.tree->record(copy), host.tree->record(attack));
  EXPECT_EQ(host.tree->record(copy)->getRunCount(), 7);
  EXPECT_EQ(host.tree->record(copy)->getText(), "go<ENTER>");
  EXPECT_EQ(host.tree->GetItemImage(copy), CommandTree::commandImage);
  EXPECT_FALSE(host.dragItem.IsOk());

  ASSERT_TRUE(host.beginDrag(attack));
  host.endDrag(host.child(hunt, 0));
  EXPECT_EQ(host.labels(hunt), (Labels{"Copy (2) of Attack", "Copy (1) of Attack", "Heal", "Attack"}));
}

TEST(CommandTreeDrop, AMoveIntoAGroupHoldingTheNameNumbersIt) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId fish = host.addGroup("Fish");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  host.addCommand(hunt, "Heal");
  host.addCommand(fish, "Attack");
  const wxTreeItemId jump = host.addCommand(fish, "Jump");
  host.tree->SetItemImage(fish, CommandTree::groupClosedImage, wxTreeItemIcon_Expanded);

  ASSERT_TRUE(host.beginDrag(attack));
  host.endDrag(jump);
  EXPECT_EQ(host.labels(hunt), (Labels{"Heal"}));
  EXPECT_EQ(host.labels(fish), (Labels{"Attack", "Attack2", "Jump"}));
  EXPECT_EQ(host.tree->GetSelection(), host.child(fish, 1));
  EXPECT_EQ(host.tree->GetItemImage(fish, wxTreeItemIcon_Expanded), CommandTree::groupOpenImage);
  EXPECT_TRUE(host.tree->IsVisible(host.child(fish, 1)));
}

TEST(CommandTreeDrop, AMoveOntoAGroupPutsTheCommandFirst) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId fish = host.addGroup("Fish");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  host.addCommand(fish, "Cast");
  EXPECT_TRUE(host.tree->dropCommand(attack, fish, false).IsOk());
  EXPECT_EQ(host.labels(hunt), Labels{});
  EXPECT_EQ(host.labels(fish), (Labels{"Attack", "Cast"}));
}

TEST(CommandTreeDrop, AMoveOntoItselfOrItsFollowerKeepsTheOrder) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  for (const char* name : {"One", "Two", "Three"}) host.addCommand(hunt, name);
  host.tree->dropCommand(host.child(hunt, 1), host.child(hunt, 1), false);
  EXPECT_EQ(host.labels(hunt), (Labels{"One", "Two", "Three"}));
  host.tree->dropCommand(host.child(hunt, 1), host.child(hunt, 2), false);
  EXPECT_EQ(host.labels(hunt), (Labels{"One", "Two", "Three"}));
  host.tree->dropCommand(host.child(hunt, 0), host.child(hunt, 0), false);
  EXPECT_EQ(host.labels(hunt), (Labels{"One", "Two", "Three"}));
  host.tree->dropCommand(host.child(hunt, 2), host.child(hunt, 0), false);
  EXPECT_EQ(host.labels(hunt), (Labels{"Three", "One", "Two"}));
}

TEST(CommandTreeDrop, GroupsAndTheRootAreNotDraggedAndDropsWithoutAnchorDoNothing) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId fish = host.addGroup("Fish");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  host.addCommand(fish, "Cast");

  EXPECT_FALSE(host.beginDrag(hunt));
  EXPECT_FALSE(host.dragItem.IsOk());
  host.endDrag(fish);
  EXPECT_FALSE(host.beginDrag(host.root));
  host.endDrag(fish);
  EXPECT_FALSE(host.tree->dropCommand(hunt, fish, false).IsOk());

  ASSERT_TRUE(host.beginDrag(attack));
  host.endDrag(host.root);
  EXPECT_FALSE(host.dragItem.IsOk());
  EXPECT_FALSE(host.tree->dropCommand(attack, wxTreeItemId(), false).IsOk());

  EXPECT_EQ(host.labels(host.root), (Labels{"Hunt", "Fish"}));
  EXPECT_EQ(host.labels(hunt), (Labels{"Attack"}));
  EXPECT_EQ(host.labels(fish), (Labels{"Cast"}));
}

TEST(CommandTreeDrop, AMouseDragMovesACommandOntoAnotherGroup) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  const wxTreeItemId fish = host.addGroup("Fish");
  const wxTreeItemId attack = host.addCommand(hunt, "Attack");
  host.tree->ExpandAll();
  GuiTest::flushEvents();
  wxRect from;
  wxRect to;
  ASSERT_TRUE(host.tree->GetBoundingRect(attack, from, true));
  ASSERT_TRUE(host.tree->GetBoundingRect(fish, to, true));

  const auto send = [&host](wxEventType type, const wxPoint& at, bool down) {
    wxMouseEvent event(type);
    event.SetPosition(at);
    event.m_leftDown = down;
    event.SetEventObject(host.tree);
    host.tree->GetEventHandler()->ProcessEvent(event);
  };
  const wxPoint start = from.GetPosition() + wxPoint(from.width / 2, from.height / 2);
  const wxPoint end = to.GetPosition() + wxPoint(to.width / 2, to.height / 2);
  send(wxEVT_LEFT_DOWN, start, true);
  for (int step = 1; step <= 4; ++step) send(wxEVT_MOTION, start + wxPoint(0, step * (end.y - start.y) / 4), true);
  send(wxEVT_LEFT_UP, end, false);
  GuiTest::flushEvents();

  EXPECT_EQ(host.labels(hunt), Labels{});
  EXPECT_EQ(host.labels(fish), (Labels{"Attack"}));
  EXPECT_FALSE(host.dragItem.IsOk());
}

TEST(CommandTreeRecords, DeletingAGroupDeletesTheRecordsOfAllItsCommands) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt", std::make_unique<CountingGroup>());
  for (const char* name : {"One", "Two", "Three"}) host.addCommand(hunt, name, std::make_unique<CountingCommand>());
  const wxTreeItemId fish = host.addGroup("Fish", std::make_unique<CountingGroup>());
  host.addCommand(fish, "Cast", std::make_unique<CountingCommand>());
  destroyedRecords = 0;
  host.tree->Delete(hunt);
  EXPECT_EQ(destroyedRecords, 4);
  EXPECT_EQ(host.labels(host.root), (Labels{"Fish"}));
}

TEST(CommandTreeRecords, AMoveDeletesTheDraggedRecordAndTheTreeDeletesTheRest) {
  destroyedRecords = 0;
  {
    TreeHost host;
    const wxTreeItemId hunt = host.addGroup("Hunt", std::make_unique<CountingGroup>());
    const wxTreeItemId attack = host.addCommand(hunt, "Attack", std::make_unique<CountingCommand>());
    host.addCommand(hunt, "Heal", std::make_unique<CountingCommand>());
    host.tree->dropCommand(attack, hunt, true);
    EXPECT_EQ(destroyedRecords, 0);
    host.tree->dropCommand(attack, hunt, false);
    EXPECT_EQ(destroyedRecords, 1);
  }
  EXPECT_EQ(destroyedRecords, 3);
}

// Catches commands held without items lost or reordered when their group opens, a command
// added, dropped or run in an unopened group that misses or overtakes the held ones, and held
// records left behind when their group is deleted.
TEST(CommandTreeRecords, AGroupsCommandsWithoutItemsComeFirstOnceItOpensAndGoWithIt) {
  TreeHost host;
  const wxTreeItemId hunt = host.addGroup("Hunt");
  host.holdCommand(hunt, "Attack");
  host.holdCommand(hunt, "Heal");
  EXPECT_EQ(host.labels(hunt), Labels{});
  EXPECT_TRUE(host.tree->ItemHasChildren(hunt));
  host.tree->Expand(hunt);
  EXPECT_EQ(host.labels(hunt), (Labels{"Attack", "Heal"}));
  // Held after the group has items, a command is appended as an item.
  host.holdCommand(hunt, "Rest");
  EXPECT_EQ(host.labels(hunt), (Labels{"Attack", "Heal", "Rest"}));

  const wxTreeItemId fish = host.addGroup("Fish");
  host.holdCommand(fish, "Cast");
  host.addCommand(fish, "Cast");
  EXPECT_EQ(host.labels(fish), (Labels{"Cast", "Cast2"}));

  const wxTreeItemId camp = host.addGroup("Camp");
  host.holdCommand(camp, "Sleep");
  EXPECT_EQ(host.tree->GetItemText(host.tree->firstCommand(camp)), "Sleep");

  const wxTreeItemId trade = host.addGroup("Trade");
  host.holdCommand(trade, "Sell");
  host.tree->dropCommand(host.child(hunt, 0), trade, true);
  EXPECT_EQ(host.labels(trade), (Labels{"Attack", "Sell"}));

  const wxTreeItemId gone = host.addGroup("Gone", std::make_unique<CountingGroup>());
  host.holdCommand(gone, "One", std::make_unique<CountingCommand>());
  host.holdCommand(gone, "Two", std::make_unique<CountingCommand>());
  destroyedRecords = 0;
  host.tree->Delete(gone);
  EXPECT_EQ(destroyedRecords, 3);
}
