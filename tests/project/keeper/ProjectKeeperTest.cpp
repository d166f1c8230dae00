#include "project/keeper/ProjectKeeper.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "support/TempDir.h"

namespace {

// Stands in for the window: a project text set by the test, a run flag, and what was told.
class FakeWindow final : public ProjectKeeper::Window {
 public:
  std::string text = "first";
  bool running = false;
  int autosaveStarts = 0;
  std::vector<std::string> told;

  std::string projectText(std::size_t) override { return text; }
  bool isRunning() const override { return running; }
  void startAutosave(int) override { ++autosaveStarts; }
  void tell(const std::string& message, const std::string&, UserDialogs::Icon) override { told.push_back(message); }
  void tellAtExit(const std::string& message, UserDialogs::Icon) override { told.push_back(message); }
};

class NoTree final : public ProjectFile::Sink {
 public:
  void group(std::unique_ptr<GroupCommand>) override {}
  void command(std::unique_ptr<BaseCommand>) override {}
};

class ProjectKeeperTest : public ::testing::Test {
 protected:
  std::string file() const {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  void writeFile(const std::string& text) const { std::ofstream(path) << text; }

  TempDir dir;
  std::filesystem::path path = dir.path() / ProjectFile::fileName;
  FakeWindow window;
  ProjectKeeper keeper{path, window};
};

}  // namespace

// Faults: an empty tree saved over the file before the load; a save in the middle of a run;
// a file rewritten with nothing changed (someone else's copy would be lost).
TEST_F(ProjectKeeperTest, SavesWaitForTheLoadSkipARunAndLeaveAnUnchangedProject) {
  NoTree tree;
  EXPECT_FALSE(keeper.load(tree));
  keeper.changed();
  keeper.saveIfChanged();
  EXPECT_EQ(window.autosaveStarts, 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  keeper.markLoaded();
  keeper.changed();
  EXPECT_EQ(window.autosaveStarts, 1);
  window.running = true;
  keeper.saveIfChanged();
  EXPECT_FALSE(std::filesystem::exists(path));
  window.running = false;
  keeper.saveIfChanged();
  EXPECT_EQ(file(), "first");
  writeFile("someone else's");
  keeper.saveIfChanged();
  EXPECT_EQ(file(), "someone else's");
}

// Fault: every pause of a read-only project brought the same message up again.
TEST_F(ProjectKeeperTest, AFailingAutosaveIsToldOnceUntilASaveSucceeds) {
  keeper.markLoaded();
  writeFile("old");
  const auto failSaves = [this](bool fail) {
    std::filesystem::permissions(path, fail ? std::filesystem::perms::owner_read : std::filesystem::perms::owner_all);
  };
  failSaves(true);
  for (const char* text : {"a", "b"}) {
    window.text = text;
    keeper.saveIfChanged();
  }
  EXPECT_EQ(window.told.size(), 1U);
  failSaves(false);
  window.text = "c";
  keeper.saveIfChanged();
  EXPECT_EQ(file(), "c");
  failSaves(true);
  window.text = "d";
  keeper.saveIfChanged();
  EXPECT_EQ(window.told.size(), 2U);
  failSaves(false);
}
