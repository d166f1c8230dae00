#include "project/keeper/ProjectKeeper.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>
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
  std::vector<std::string> titles;

  std::string projectText(std::size_t) override { return text; }
  bool isRunning() const override { return running; }
  void startAutosave(int) override { ++autosaveStarts; }
  void tell(const std::string& message, const std::string& title, UserDialogs::Icon) override {
    told.push_back(message);
    titles.push_back(title);
  }
  void tellAtExit(const std::string& message, UserDialogs::Icon) override {
    told.push_back(message);
    titles.push_back("SAVE ERROR");
  }
};

class NoTree final : public ProjectFile::Sink {
 public:
  void group(std::unique_ptr<GroupCommand>) override {}
  void command(std::unique_ptr<BaseCommand>) override {}
};

class ProjectKeeperTest : public ::testing::Test {
 protected:
  // Recovery files stay out of the user's own data folder.
  ProjectKeeperTest() { ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1); }
  ~ProjectKeeperTest() override { ::unsetenv("XDG_DATA_HOME"); }

  static std::string file(const std::filesystem::path& at) {
    std::ifstream in(at);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  std::string file() const { return file(path); }
  void writeFile(const std::string& text) const { std::ofstream(path) << text; }
  // The recovery files written so far.
  std::vector<std::filesystem::path> recovered() const {
    std::vector<std::filesystem::path> out;
    std::error_code none;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "data" / "Zentak", none)) {
      out.push_back(entry.path());
    }
    return out;
  }
  // Loads the project file as it stands, as the window does at start.
  void load() {
    NoTree tree;
    keeper.load(tree);
    keeper.markLoaded();
  }

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
  std::string empty;
  ProjectFile::writeProject(empty, {});
  writeFile(empty);
  load();
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

// Faults: a link put in the project file's place mid-session was written through, overwriting
// the file it points to; another program's change to the file was saved over silently; the
// user was not told where the project went; each later save made another recovery file.
TEST_F(ProjectKeeperTest, ASaveWritesOnlyTheFileLoadedOrLastSavedAndElseARecoveryFileTheUserIsToldOf) {
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path& project, const std::filesystem::path& other)> meddle;
  };
  const Case cases[] = {
      {"a link to another file swapped in",
       [](const auto& project, const auto& other) {
         std::filesystem::create_symlink(other, project.string() + ".new");
         std::filesystem::rename(project.string() + ".new", project);
       }},
      {"the file rewritten in place by another program",
       [](const auto& project, const auto&) { std::ofstream(project, std::ios::app) << "someone else's line\n"; }},
      {"the file replaced by another program's rename",
       [](const auto& project, const auto&) {
         std::ofstream(project.string() + ".new") << "another program's project";
         std::filesystem::rename(project.string() + ".new", project);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir folder;
    ::setenv("XDG_DATA_HOME", (folder.path() / "data").c_str(), 1);
    const std::filesystem::path project = folder.path() / ProjectFile::fileName;
    const std::filesystem::path other = folder.path() / "precious";
    std::ofstream(other) << "precious bytes";
    FakeWindow owner;
    ProjectKeeper projectKeeper{project, owner};
    NoTree tree;
    projectKeeper.load(tree);
    projectKeeper.markLoaded();
    owner.text = "the project";
    projectKeeper.save();
    ASSERT_TRUE(owner.told.empty());
    c.meddle(project, other);
    const std::string meddled = file(project);

    owner.text = "the project, changed";
    projectKeeper.save();
    EXPECT_EQ(file(other), "precious bytes");
    EXPECT_EQ(file(project), meddled);
    const auto dataFolder = folder.path() / "data" / "Zentak";
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(dataFolder), {}), 1);
    const std::filesystem::path kept = *std::filesystem::directory_iterator(dataFolder);
    EXPECT_EQ(file(kept), "the project, changed");
    ASSERT_EQ(owner.told.size(), 1U);
    EXPECT_EQ(owner.titles[0], "SAVE ERROR");
    EXPECT_TRUE(owner.told[0].starts_with("Failed to save command project file.\n" + project.string() +
                                          " is no longer the file Zentak loaded or last saved"))
        << owner.told[0];
    EXPECT_NE(owner.told[0].find("\n" + kept.string() + "\n"), std::string::npos) << owner.told[0];

    // Later saves, the one at close included, go to the same recovery file without a word.
    owner.text = "the project, changed again";
    projectKeeper.saveIfChanged();
    EXPECT_TRUE(projectKeeper.saveAtClose(true));
    EXPECT_EQ(file(kept), "the project, changed again");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dataFolder), {}), 1);
    EXPECT_EQ(owner.told.size(), 1U);
    EXPECT_EQ(file(other), "precious bytes");
    EXPECT_EQ(file(project), meddled);
  }
  ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
}

// Faults: a run asked for from outside was answered as started while the save at its start held
// it behind a message (a diversion or a failure); the message of the diversion was lost or told
// twice.
TEST_F(ProjectKeeperTest, ASaveUntoldSaysWhenTheNextSaveHasSomethingToTellAndThatSaveTellsIt) {
  load();
  EXPECT_TRUE(keeper.saveUntold());
  EXPECT_EQ(file(), "first");
  std::filesystem::remove(path);
  std::ofstream(dir.path() / "other") << "other";
  std::filesystem::create_symlink(dir.path() / "other", path);
  window.text = "second";
  EXPECT_FALSE(keeper.saveUntold());
  EXPECT_TRUE(window.told.empty());
  keeper.save();
  ASSERT_EQ(window.told.size(), 1U);
  EXPECT_NE(window.told[0].find(recovered().at(0).string()), std::string::npos);
  EXPECT_EQ(file(dir.path() / "other"), "other");
  EXPECT_TRUE(keeper.saveUntold());
  EXPECT_EQ(window.told.size(), 1U);
  // A save that fails says so too, and tells nothing itself: the run's own save will.
  const std::filesystem::path kept = recovered().at(0);
  std::filesystem::permissions(kept, std::filesystem::perms::owner_read);
  window.text = "third";
  EXPECT_FALSE(keeper.saveUntold());
  EXPECT_EQ(window.told.size(), 1U);
  keeper.save();
  ASSERT_EQ(window.told.size(), 2U);
  EXPECT_EQ(window.told[1], "Failed to save command project file.\n" + kept.string() + ": " +
                                std::make_error_code(std::errc::permission_denied).message() + "\nPlease try again.");
  std::filesystem::permissions(kept, std::filesystem::perms::owner_all);
}

// Fault: a failed save said neither why nor which file, so that a user with a full disk could not
// tell what to free.
TEST_F(ProjectKeeperTest, AFailedSaveNamesTheFileAndTheSystemsReason) {
  load();
  keeper.save();
  // A limit on the size of files fails the write as a full disk does, for root too.
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 4;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  window.text = "longer than four bytes";
  keeper.save();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_EQ(window.told.size(), 1U);
  EXPECT_EQ(window.titles[0], "SAVE ERROR");
  EXPECT_EQ(window.told[0], "Failed to save command project file.\n" + path.string() + ": " +
                                std::make_error_code(std::errc::file_too_large).message() + "\nPlease try again.");
  EXPECT_EQ(file(), "first");
}
