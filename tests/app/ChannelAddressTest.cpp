// Where the running copy listens: a socket file only in a runtime folder no other user may enter,
// and a name that follows the program's folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <string>

#include "app/ChannelAddress.h"
#include "support/TempDir.h"

// Faults: the socket went into a runtime folder other users may enter (where they could take the
// name or reach the channel), into a missing one or one whose path a socket address cannot hold;
// or the abstract name was used although a private runtime folder was there.
TEST(ChannelAddressTest, TheSocketGoesIntoTheRuntimeFolderOnlyWhenItIsPrivate) {
  const TempDir dir;
  const std::filesystem::path program = dir.path() / "program";
  std::filesystem::create_directories(program);
  struct Case {
    const char* what;
    std::filesystem::path runtime;
    ::mode_t mode;
    bool onDisk;
  };
  const std::string tooLong(sizeof(sockaddr_un::sun_path), 'r');
  const Case cases[] = {
      {"private", dir.path() / "private", 0700, true},
      {"readable by the group", dir.path() / "group", 0750, false},
      {"open to everyone", dir.path() / "open", 0777, false},
      {"missing", dir.path() / "missing", 0, false},
      {"no runtime folder", {}, 0, false},
      {"relative", "relative", 0, false},
      {"too long for an address", dir.path() / tooLong, 0700, false},
  };
  for (const Case& c : cases) {
    if (c.mode != 0) {
      std::filesystem::create_directories(c.runtime);
      ASSERT_EQ(::chmod(c.runtime.c_str(), c.mode), 0) << c.what;
    }
    const ChannelAddress address(program, c.runtime);
    EXPECT_EQ(address.onDisk(), c.onDisk) << c.what;
    sockaddr_un raw{};
    const socklen_t length = address.fill(raw);
    if (c.onDisk) {
      EXPECT_EQ(address.path().parent_path(), c.runtime) << c.what;
      EXPECT_EQ(std::string(raw.sun_path), address.path().string()) << c.what;
      EXPECT_EQ(address.describe(), address.path().string()) << c.what;
    } else {
      EXPECT_EQ(raw.sun_path[0], '\0') << c.what;
      const std::string name(raw.sun_path + 1, length - offsetof(sockaddr_un, sun_path) - 1);
      EXPECT_EQ(name, "Zentak/" + std::to_string(::getuid()) + "/" + ChannelAddress::nameFor(program)) << c.what;
      EXPECT_EQ(address.describe(), "@" + name) << c.what;
    }
  }
}

// Faults: two spellings of one program folder named two channels, so that a caller missed the
// running copy; or two programs shared one.
TEST(ChannelAddressTest, TheNameFollowsTheProgramsFolderWhateverItsSpelling) {
  const TempDir dir;
  std::filesystem::create_directories(dir.path() / "a" / "b");
  std::filesystem::create_directories(dir.path() / "c");
  std::filesystem::create_directory_symlink(dir.path() / "a", dir.path() / "link");
  const std::string name = ChannelAddress::nameFor(dir.path() / "a");
  EXPECT_EQ(ChannelAddress::nameFor(dir.path() / "a" / "b" / ".."), name);
  EXPECT_EQ(ChannelAddress::nameFor(dir.path() / "link"), name);
  EXPECT_NE(ChannelAddress::nameFor(dir.path() / "c"), name);
}
