#include "project/ProjectFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "support/TempDir.h"

namespace {

constexpr char del = '\x7f';

// Keeps what a reader hands over: each group with its commands.
struct Collected : ProjectFile::Sink {
  struct Group {
    std::unique_ptr<GroupCommand> record;
    std::vector<std::unique_ptr<BaseCommand>> commands;
  };
  std::vector<Group> groups;

  void group(std::unique_ptr<GroupCommand> g) override { groups.push_back({std::move(g), {}}); }
  void command(std::unique_ptr<BaseCommand> c) override { groups.back().commands.push_back(std::move(c)); }

  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const Group& g : groups) {
      out.push_back(g.record->getName());
      for (const auto& c : g.commands) out.push_back("  " + c->getName());
    }
    return out;
  }
};

// A small project: "First" with three commands (two of them share a name), "Second" empty.
class Project {
 public:
  Project() {
    first.setName("First");
    second.setName("Second");
    const char* names[] = {"Attack", "Attack", "Heal"};
    for (const char* name : names) {
      auto command = std::make_unique<BaseCommand>();
      command->setName(name);
      command->setText(std::string(name) + "<ENTER>");
      commands.push_back(std::move(command));
    }
  }

  std::string text() const {
    std::vector<ProjectFile::GroupBlock> blocks{{&first, {commands[0].get(), commands[1].get(), commands[2].get()}},
                                                {&second, {}}};
    std::string out;
    ProjectFile::writeProject(out, blocks);
    return out;
  }

  GroupCommand first;
  GroupCommand second;
  std::vector<std::unique_ptr<BaseCommand>> commands;
};

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size()) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

}  // namespace

TEST(ProjectFile, TwoGroupsAreWrittenAsSixLines) {
  const Project project;
  const std::string text = project.text();
  const auto lines = ProjectFile::splitLines(text);
  ASSERT_EQ(lines.size(), 6U);
  EXPECT_EQ(lines[0], std::string("2") + del + "Zentak v2.0");
  EXPECT_TRUE(lines[1].starts_with(std::string("3") + del + "0" + del));
  EXPECT_TRUE(lines[5].starts_with(std::string("0") + del + "0" + del));
  std::string command;
  project.commands[2]->save(command);
  EXPECT_EQ(lines[4], command);
  EXPECT_TRUE(text.ends_with("\r\n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 6);
}

TEST(ProjectFile, SaveThenLoadGivesTheSameGroupsAndCommandsInOrder) {
  const Project project;
  Collected read;
  ASSERT_EQ(ProjectFile::readProject(project.text(), read), ProjectFile::ReadOutcome::whole);
  EXPECT_EQ(read.names(), (std::vector<std::string>{"First", "  Attack", "  Attack", "  Heal", "Second"}));
  EXPECT_EQ(read.groups[0].commands[2]->getKeyActions(), project.commands[2]->getKeyActions());
  EXPECT_EQ(read.groups[0].record->getCommandCount(), 3);
}

TEST(ProjectFile, LineEndsOfAnyKindReadAlike) {
  const std::string crlf = Project().text();
  for (const std::string& text : {replaceAll(crlf, "\r\n", "\n"), replaceAll(crlf, "\r\n", "\r"),
                                  crlf.substr(0, crlf.size() - 2)}) {
    Collected read;
    ASSERT_EQ(ProjectFile::readProject(text, read), ProjectFile::ReadOutcome::whole);
    EXPECT_EQ(read.names().size(), 5U);
  }
}

TEST(ProjectFile, TheHeaderDecidesHowManyGroupsAreRead) {
  const std::string text = Project().text();
  const std::string body = text.substr(text.find("\r\n") + 2);
  Collected one;
  ASSERT_EQ(ProjectFile::readProject(std::string("1") + del + "anything at all\r\n" + body, one),
            ProjectFile::ReadOutcome::extraLines);
  EXPECT_EQ(one.names(), (std::vector<std::string>{"First", "  Attack", "  Attack", "  Heal"}));
  Collected noVersion;
  EXPECT_EQ(ProjectFile::readProject("2\r\n" + body, noVersion), ProjectFile::ReadOutcome::whole);
  EXPECT_EQ(noVersion.groups.size(), 2U);
  Collected emptyProject;
  EXPECT_EQ(ProjectFile::readProject(std::string(" +0") + del + "x\r\n\r\n", emptyProject), ProjectFile::ReadOutcome::whole);
}

TEST(ProjectFile, MissingLinesFailAndKeepWhatWasRead) {
  const std::string text = Project().text();
  const auto lines = ProjectFile::splitLines(text);
  std::string cut;
  for (std::size_t i = 0; i < 3; ++i) cut += std::string(lines[i]) + "\r\n";
  Collected read;
  EXPECT_EQ(ProjectFile::readProject(cut, read), ProjectFile::ReadOutcome::failed);
  EXPECT_EQ(read.names(), (std::vector<std::string>{"First", "  Attack"}));
  Collected fromEmpty;
  EXPECT_EQ(ProjectFile::readProject("", fromEmpty), ProjectFile::ReadOutcome::failed);
  Collected tooManyGroups;
  EXPECT_EQ(ProjectFile::readProject(std::string("3") + del + "Zentak v2.0\r\n" + text.substr(text.find('\n') + 1),
                                     tooManyGroups),
            ProjectFile::ReadOutcome::failed);
  EXPECT_EQ(tooManyGroups.groups.size(), 2U);
}

TEST(ProjectFile, AGroupBlockReadsAloneAsAGroupFileDoes) {
  const Project project;
  std::string block;
  ProjectFile::writeGroupBlock(block, {&project.first, {project.commands[0].get()}});
  Collected read;
  ASSERT_TRUE(ProjectFile::readGroupFile(block, read));
  EXPECT_EQ(read.names(), (std::vector<std::string>{"First", "  Attack"}));
}

TEST(ProjectFile, SafeWritesReplaceTheFileWhole) {
  const TempDir dir;
  const auto file = dir.path() / "Zentak.ini";
  ProjectFile::writeFileSafely(file, "old\r\n");
  ProjectFile::writeFileSafely(file, "new\r\n");
  EXPECT_EQ(ProjectFile::readFile(file), "new\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(ProjectFile, AFailedWriteLeavesTheOldFileAndNoLitter) {
  const TempDir dir;
  // A folder where the file should be: the rename over it fails after everything was written.
  const auto blocked = dir.path() / "Zentak.ini";
  std::filesystem::create_directory(blocked);
  std::ofstream(blocked / "inside") << "kept";
  EXPECT_THROW(ProjectFile::writeFileSafely(blocked, "new"), std::system_error);
  EXPECT_EQ(ProjectFile::readFile(blocked / "inside"), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
  EXPECT_THROW(ProjectFile::writeFileSafely(dir.path() / "missing" / "Zentak.ini", "new"), std::system_error);
  EXPECT_THROW(ProjectFile::readFile(dir.path() / "absent.ini"), std::system_error);
}

TEST(ProjectFile, AnUnreadableFileIsMovedToANameThatSaysSo) {
  const TempDir dir;
  const auto file = dir.path() / "Zentak.ini";
  ProjectFile::writeFileSafely(file, "broken");
  // No read permission: a copy would fail, a rename does not.
  std::filesystem::permissions(file, std::filesystem::perms::none);
  const auto first = ProjectFile::preserveUnreadable(file);
  std::filesystem::create_directory(file);
  const auto second = ProjectFile::preserveUnreadable(file);
  EXPECT_EQ(first.filename(), "Zentak.ini.unreadable-1");
  EXPECT_EQ(second.filename(), "Zentak.ini.unreadable-2");
  std::filesystem::permissions(first, std::filesystem::perms::owner_read);
  EXPECT_EQ(ProjectFile::readFile(first), "broken");
  EXPECT_TRUE(std::filesystem::is_directory(second));
  EXPECT_FALSE(std::filesystem::exists(file));
}

// A save must not replace a file its owner made read-only (root may write any file, so the
// mode decides), and must write through a link, relative or not, leaving the link a link.
TEST(ProjectFile, SavesLeaveReadOnlyFilesAndLinksAlone) {
  const TempDir dir;
  const auto file = dir.path() / "Zentak.ini";
  ProjectFile::writeFileSafely(file, "mine");
  std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_THROW(ProjectFile::writeFileSafely(file, "new"), std::system_error);
  EXPECT_EQ(ProjectFile::readFile(file), "mine");
  std::filesystem::remove(file);

  std::filesystem::create_directory(dir.path() / "data");
  ProjectFile::writeFileSafely(dir.path() / "data" / "real.ini", "old");
  std::filesystem::create_symlink("data/real.ini", dir.path() / "hop");
  std::filesystem::create_symlink(dir.path() / "hop", file);
  ProjectFile::writeFileSafely(file, "new");
  EXPECT_TRUE(std::filesystem::is_symlink(file));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "hop"));
  EXPECT_EQ(ProjectFile::readFile(dir.path() / "data" / "real.ini"), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "data"), std::filesystem::directory_iterator()), 1);
}

// Fault: new project and group files were readable by everyone whatever the user's umask, and a
// project often holds passwords.
TEST(ProjectFile, NewFilesGetTheModeTheUmaskAllowsAndOldFilesKeepTheirs) {
  const TempDir dir;
  const auto file = dir.path() / "Zentak.ini";
  struct stat info {};
  const mode_t before = ::umask(077);
  for (const mode_t mask : {mode_t{077}, mode_t{022}}) {
    ::umask(mask);
    std::filesystem::remove(file);
    ProjectFile::writeFileSafely(file, "secret");
    EXPECT_TRUE(::stat(file.c_str(), &info) == 0 && (info.st_mode & 07777) == (0666 & ~mask)) << std::oct << mask;
  }
  ::chmod(file.c_str(), 0604);
  ProjectFile::writeFileSafely(file, "again");
  EXPECT_TRUE(::stat(file.c_str(), &info) == 0 && (info.st_mode & 07777) == 0604);
  ::umask(before);
}

// Only the save's own temporary files go: the project, other files and look-alikes stay.
TEST(ProjectFile, StaleTemporaryFilesAreRemoved) {
  const TempDir dir;
  const auto file = dir.path() / "Zentak.ini";
  const std::vector<std::string> stale{".Zentak.ini.a1B2c3", ".Zentak.ini.XXXXXX"};
  const std::vector<std::string> kept{"Zentak.ini", ".Zentak.ini.a1B2c", ".Zentak.ini.a1B2c3d", ".Zentak.ini.a1-2c3",
                                      ".Other.ini.a1B2c3", "Zentak.ini.unreadable-1"};
  for (const auto& name : stale) std::ofstream(dir.path() / name) << "partial";
  for (const auto& name : kept) std::ofstream(dir.path() / name) << "keep";
  std::filesystem::create_directory(dir.path() / ".Zentak.ini.Dir123");
  ProjectFile::removeStaleTemporaries(file);
  for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(dir.path() / name)) << name;
  for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(dir.path() / name)) << name;
  EXPECT_TRUE(std::filesystem::exists(dir.path() / ".Zentak.ini.Dir123"));
}
