// The file that keeps a desktop's permission token between runs.

#include "input/gnome/RestoreTokenFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "support/TempDir.h"

// Catches a token others may read (it lets its holder control the desktop unasked), a file made
// readable earlier that keeps its mode, a missing folder that loses the token, and a token read
// back with its line break.
TEST(RestoreTokenFileTest, TheTokenIsKeptForTheUserOnly) {
  struct Case {
    const char* what;
    const char* relativePath;
    bool existsReadable;
  };
  const Case cases[] = {
      {"a new file", "token", false},
      {"a file others could read", "token", true},
      {"a file in a folder not yet made", "Velmora/token", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir dir;
    const auto path = dir.path() / c.relativePath;
    if (c.existsReadable) {
      std::ofstream(path) << "old\n";
      chmod(path.c_str(), 0644);
    }
    const RestoreTokenFile file(path);
    EXPECT_TRUE(file.write("5c7e-token"));
    EXPECT_EQ(file.read(), "5c7e-token");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600U);
  }
}

// Catches a first run without a token that sends an empty one, which the desktop refuses.
TEST(RestoreTokenFileTest, NoFileIsNoToken) {
  const TempDir dir;
  EXPECT_EQ(RestoreTokenFile(dir.path() / "none").read(), "");
}
