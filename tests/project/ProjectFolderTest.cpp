#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "project/ProjectFolder.h"
#include "support/TempDir.h"

namespace {

class ProjectFolderTest : public testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1); }
  void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

  TempDir dir;
};

}  // namespace

// Fault: a portable copy lost its project beside it to the data folder.
TEST_F(ProjectFolderTest, AProgramInAFolderOfItsOwnKeepsItsProjectBesideIt) {
  const auto own = dir.path() / "Zentak";
  std::filesystem::create_directories(own);
  EXPECT_EQ(ProjectFolder::choose(own), own);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "data"));
}

// Fault: an installed program wrote its project into /usr/bin (as root) or failed to save it
// there (as anyone else).
TEST_F(ProjectFolderTest, AnInstalledProgramKeepsItsProjectInTheDataFolder) {
  const auto bin = dir.path() / "usr" / "bin";
  std::filesystem::create_directories(bin);
  EXPECT_EQ(ProjectFolder::choose(bin), dir.path() / "data" / "Zentak");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "data" / "Zentak"));

  const auto readOnly = dir.path() / "opt";
  std::filesystem::create_directories(readOnly);
  ::chmod(readOnly.c_str(), 0555);
  // The superuser may write anywhere: only the folder's name tells there.
  EXPECT_EQ(ProjectFolder::isShared(readOnly), ::geteuid() != 0);
  ::chmod(readOnly.c_str(), 0755);
}
