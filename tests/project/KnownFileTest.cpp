#include "project/KnownFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "support/TempDir.h"

namespace {

std::string contents(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace

// Faults: a save followed a link put in the file's place after it was read and overwrote the
// file the link points to; a file another program changed was overwritten; a link the user made
// before was no longer saved through, or a file removed meanwhile was not made again; a save
// took its own last write for someone else's.
TEST(KnownFile, ReplacesOnlyTheFileThePathLedToOrNothing) {
  struct Case {
    const char* what;
    // Makes what the path leads to when it is first looked at; "file" is the project's place,
    // "synced" and "other" two files elsewhere.
    std::function<void(const std::filesystem::path& folder)> before;
    // What happens between the look and the save.
    std::function<void(const std::filesystem::path& folder)> meanwhile;
    bool replaced;
    // Where the text lands when it is replaced.
    const char* written;
  };
  const auto plainFile = [](const std::filesystem::path& folder) { std::ofstream(folder / "file") << "old"; };
  const auto linkedFile = [](const std::filesystem::path& folder) {
    std::ofstream(folder / "synced") << "old";
    std::filesystem::create_symlink("synced", folder / "file");
  };
  const auto swapInLinkToOther = [](const std::filesystem::path& folder) {
    std::filesystem::create_symlink(folder / "other", folder / "x");
    std::filesystem::rename(folder / "x", folder / "file");
  };
  const auto nothing = [](const std::filesystem::path&) {};
  const Case cases[] = {
      {"a file left as it was", plainFile, nothing, true, "file"},
      {"a file whose permissions changed", plainFile,
       [](const auto& folder) { std::filesystem::permissions(folder / "file", std::filesystem::perms::group_read,
                                                             std::filesystem::perm_options::add); },
       true, "file"},
      {"no file, none made", nothing, nothing, true, "file"},
      {"a file removed", plainFile, [](const auto& folder) { std::filesystem::remove(folder / "file"); }, true, "file"},
      {"a link made before", linkedFile, nothing, true, "synced"},
      {"a link made before whose file was removed", linkedFile,
       [](const auto& folder) { std::filesystem::remove(folder / "synced"); }, true, "synced"},
      {"a link swapped in for a file", plainFile, swapInLinkToOther, false, nullptr},
      {"a link swapped in for a link", linkedFile, swapInLinkToOther, false, nullptr},
      {"a link put where no file was", nothing, swapInLinkToOther, false, nullptr},
      {"a file appended to", plainFile, [](const auto& folder) { std::ofstream(folder / "file", std::ios::app) << "!"; },
       false, nullptr},
      {"a file renamed over it", plainFile,
       [](const auto& folder) {
         std::ofstream(folder / "x") << "new";
         std::filesystem::rename(folder / "x", folder / "file");
       },
       false, nullptr},
      {"a linked file renamed over", linkedFile,
       [](const auto& folder) {
         std::ofstream(folder / "x") << "new";
         std::filesystem::rename(folder / "x", folder / "synced");
       },
       false, nullptr},
      {"a link turned into a file", linkedFile,
       [](const auto& folder) {
         std::filesystem::remove(folder / "file");
         std::ofstream(folder / "file") << "old";
       },
       false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir dir;
    const std::filesystem::path folder = dir.path();
    std::ofstream(folder / "other") << "precious";
    c.before(folder);
    const KnownFile known = KnownFile::look(folder / "file");
    c.meanwhile(folder);
    const auto kinds = [&folder] {
      std::string all;
      for (const char* name : {"file", "synced", "other"}) {
        const auto status = std::filesystem::symlink_status(folder / name);
        all += std::string(name) + (std::filesystem::is_symlink(status) ? "@" : "") + "=" + contents(folder / name) + ";";
      }
      return all;
    };
    const std::string before = kinds();
    if (!c.replaced) {
      EXPECT_THROW((void)known.replace("text"), KnownFile::Changed);
      EXPECT_EQ(kinds(), before);
      continue;
    }
    const KnownFile after = known.replace("text");
    EXPECT_EQ(contents(folder / c.written), "text");
    EXPECT_EQ(contents(folder / "other"), "precious");
    EXPECT_EQ(after.target(), folder / c.written);
    // The link stays a link.
    EXPECT_EQ(std::filesystem::is_symlink(std::filesystem::symlink_status(folder / "file")),
              std::string(c.written) == "synced");
    // What a save wrote is the file the next save may replace.
    EXPECT_EQ(after, KnownFile::look(folder / "file"));
    EXPECT_NO_THROW((void)after.replace("text again"));
    EXPECT_EQ(contents(folder / c.written), "text again");
  }
}
