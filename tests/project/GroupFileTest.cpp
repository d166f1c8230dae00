#include "project/GroupFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "support/TempDir.h"

namespace {

constexpr char del = '\x7f';

// Keeps what the reader hands over.
struct Collected : ProjectFile::Sink {
  std::vector<std::unique_ptr<GroupCommand>> groups;
  std::vector<std::unique_ptr<BaseCommand>> commands;

  void group(std::unique_ptr<GroupCommand> g) override { groups.push_back(std::move(g)); }
  void command(std::unique_ptr<BaseCommand> c) override { commands.push_back(std::move(c)); }
};

// "Hunt" with the commands named.
struct Hunt {
  explicit Hunt(std::initializer_list<const char*> names) {
    group.setName("Hunt");
    group.setFinalText("<ESC>");
    // Times a load leaves as they are: a start still to come, a stop after it.
    const wxDateTime tomorrow = wxDateTime::Today() + wxDateSpan::Days(1);
    group.setStartTime(tomorrow + wxTimeSpan::Hours(10));
    group.setStopTime(tomorrow + wxTimeSpan::Hours(12));
    for (const char* name : names) {
      auto command = std::make_unique<BaseCommand>();
      command->setName(name);
      command->setText(std::string(name) + "<ENTER>");
      commands.push_back(std::move(command));
    }
  }
  [[nodiscard]] ProjectFile::GroupBlock block() const {
    ProjectFile::GroupBlock out{&group, {}};
    for (const auto& c : commands) out.commands.push_back(c.get());
    return out;
  }
  [[nodiscard]] std::string text() const {
    std::string out;
    ProjectFile::writeGroupBlock(out, block());
    return out;
  }

  GroupCommand group;
  std::vector<std::unique_ptr<BaseCommand>> commands;
};

std::string record(const BaseCommand& r) {
  std::string out;
  r.save(out);
  return out;
}

std::size_t entriesIn(const std::filesystem::path& folder) {
  return static_cast<std::size_t>(
      std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

}  // namespace

TEST(GroupFile, AnEmptyGroupIsOneLineWithZeroInFrontAndReadsBack) {
  const Hunt empty({});
  const std::string text = empty.text();
  ASSERT_EQ(ProjectFile::splitLines(text).size(), 1U);
  EXPECT_TRUE(text.starts_with(std::string("0") + del));
  EXPECT_TRUE(text.ends_with("\r\n"));
  Collected read;
  EXPECT_TRUE(ProjectFile::readGroupFile(text, read));
  ASSERT_EQ(read.groups.size(), 1U);
  EXPECT_EQ(record(*read.groups[0]), record(empty.group));
  EXPECT_TRUE(read.commands.empty());
}

TEST(GroupFile, OnlyTheCountedCommandsAreRead) {
  const Hunt hunt({"Attack", "Heal"});
  Collected read;
  EXPECT_TRUE(ProjectFile::readGroupFile(hunt.text() + record(*hunt.commands[0]) + "\r\nmore\r\n", read));
  ASSERT_EQ(read.commands.size(), 2U);
  EXPECT_EQ(read.commands[1]->getName(), "Heal");
}

// Faults: a file cut short read as whole, or read past its end; a huge count held memory for
// every command it announced before reading them.
TEST(GroupFile, AFileCutShortOrWithAHugeCountFailsKeepingWhatWasRead) {
  const Hunt hunt({"Attack", "Heal", "Rest"});
  const std::string text = hunt.text();
  const std::string cut = text.substr(0, text.find("Heal") + 2);
  Collected read;
  EXPECT_FALSE(ProjectFile::readGroupFile(cut, read));
  EXPECT_EQ(read.groups.size(), 1U);
  // The cut line is the last one read; the third command's line is missing.
  ASSERT_EQ(read.commands.size(), 2U);
  EXPECT_EQ(read.commands[0]->getName(), "Attack");

  Collected huge;
  const std::string announced = "2000000000" + text.substr(text.find(del));
  EXPECT_FALSE(ProjectFile::readGroupFile(announced, huge));
  EXPECT_EQ(huge.commands.size(), 3U);

  Collected none;
  EXPECT_FALSE(ProjectFile::readGroupFile("", none));
  EXPECT_TRUE(none.groups.empty());
}

TEST(GroupFile, TheExtensionIsZgfInAnyCase) {
  EXPECT_TRUE(GroupFile::hasGroupExtension("Hunt.zgf"));
  EXPECT_TRUE(GroupFile::hasGroupExtension("/tmp/x/Hunt.ZGF"));
  EXPECT_TRUE(GroupFile::hasGroupExtension("a.b.Zgf"));
  EXPECT_FALSE(GroupFile::hasGroupExtension("Hunt.txt"));
  EXPECT_FALSE(GroupFile::hasGroupExtension("Hunt"));
  EXPECT_FALSE(GroupFile::hasGroupExtension("Hunt.zgf.txt"));
  // A dot in a folder's name is no extension of the file.
  EXPECT_FALSE(GroupFile::hasGroupExtension("/tmp/groups.zgf/Hunt"));
}

// Fault: a name with a dot ("Level 1.5") was exported without ".zgf", and import refused it.
TEST(GroupFile, ExportedNamesEndInTheGroupExtension) {
  const std::pair<const char*, const char*> cases[] = {{"/a.b/Hunt", "/a.b/Hunt.zgf"}, {"/Hunt.ZGF", "/Hunt.ZGF"},
                                                       {"/Hunt.txt", "/Hunt.txt.zgf"},
                                                       {"/Level 1.5", "/Level 1.5.zgf"}};
  for (const auto& [chosen, written] : cases) EXPECT_EQ(GroupFile::withGroupExtension(chosen), written);
}

TEST(GroupFile, ASavedGroupReadsBackEqual) {
  const TempDir dir;
  const Hunt hunt({"Attack", "Attack", "Heal"});
  ASSERT_EQ(GroupFile::save(dir.path() / "Hunt.zgf", hunt.block()), GroupFile::SaveOutcome::saved);
  Collected read;
  EXPECT_TRUE(ProjectFile::readGroupFile(ProjectFile::readFile(dir.path() / "Hunt.zgf"), read));
  ASSERT_EQ(read.commands.size(), 3U);
  EXPECT_EQ(record(*read.groups[0]), record(hunt.group));
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(record(*read.commands[i]), record(*hunt.commands[i]));
}

// Faults: a read-only folder or file written over or reported as a write error; root may write
// anything, so the owner's write permission decides.
TEST(GroupFile, AReadOnlyFolderOrFileIsNotWritten) {
  const TempDir dir;
  const Hunt hunt({"Attack"});
  const auto folder = dir.path() / "locked";
  std::filesystem::create_directory(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_EQ(GroupFile::save(folder / "Hunt.zgf", hunt.block()), GroupFile::SaveOutcome::notWritable);
  EXPECT_EQ(entriesIn(folder), 0U);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all);

  const auto file = dir.path() / "Old.zgf";
  std::ofstream(file) << "old";
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  EXPECT_EQ(GroupFile::save(file, hunt.block()), GroupFile::SaveOutcome::notWritable);
  EXPECT_EQ(ProjectFile::readFile(file), "old");
  EXPECT_EQ(GroupFile::save(dir.path() / "missing" / "Hunt.zgf", hunt.block()), GroupFile::SaveOutcome::notWritable);
}

// Fault: a write that failed halfway (a full disk) left a truncated group file and was reported
// as success. A file size limit makes the write fail as a full disk does.
TEST(GroupFile, AFailedWriteIsReportedAndLeavesTheOldFileWhole) {
  const TempDir dir;
  const Hunt hunt({"Attack", "Heal"});
  const auto file = dir.path() / "Hunt.zgf";
  std::ofstream(file) << "old";
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const GroupFile::SaveOutcome outcome = GroupFile::save(file, hunt.block());
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(outcome, GroupFile::SaveOutcome::writeFailed);
  EXPECT_EQ(ProjectFile::readFile(file), "old");
  EXPECT_EQ(entriesIn(dir.path()), 1U);
}
