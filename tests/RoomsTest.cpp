#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

// The architecture's picture: the rooms of src/ each room may include, besides itself. The
// libraries are linked the same way, so an arrow missing here is a room depending on one above.
const std::map<std::string, std::set<std::string>> allowedArrows{
    {"app", {"frame", "shell", "controls", "tree", "project", "commands", "keys", "resources", "tern", "text"}},
    {"frame", {"shell", "controls", "tree", "project", "commands", "keys", "resources", "tern", "text"}},
    {"controls", {"shell", "resources", "tern", "text"}},
    {"tree", {"shell", "commands", "keys", "resources", "tern", "text"}},
    {"project", {"commands", "keys", "tern", "text"}},
    {"shell", {"resources", "tern", "text"}},
    // The manual's viewer, a module the program loads at run time: it implements shell's
    // interface and nothing else, so that it brings no copy of the program's libraries.
    {"helpviewer", {"shell"}},
    {"commands", {"keys", "tern", "text"}},
    {"keys", {"tern", "text"}},
    {"resources", {}},
    {"tern", {}},
    {"text", {}},
};

const std::filesystem::path sourceDir = ZENTAK_SOURCE_DIR;

struct Arrow {
  std::string file;
  std::string to;
};

// Every include of another room's header in one room's files.
std::vector<Arrow> arrowsOutOf(const std::string& room) {
  static const std::regex includeLine(R"(^\s*#\s*include\s*"([a-z]+)/)");
  std::vector<Arrow> arrows;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(sourceDir / room)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path());
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
      if (std::regex_search(line, match, includeLine) && match[1] != room) {
        arrows.push_back({std::filesystem::relative(entry.path(), sourceDir).string(), match[1]});
      }
    }
  }
  return arrows;
}

bool reaches(const std::string& from, const std::string& to, std::set<std::string>& seen) {
  for (const std::string& next : allowedArrows.at(from)) {
    if (next == to) return true;
    if (seen.insert(next).second && reaches(next, to, seen)) return true;
  }
  return false;
}

}  // namespace

// Catches a header of a higher room included from a lower one (say tree including frame),
// which would let the rooms grow back into one knot.
TEST(RoomsTest, EveryIncludeFollowsAnAllowedArrow) {
  for (const auto& [room, allowed] : allowedArrows) {
    for (const Arrow& arrow : arrowsOutOf(room)) {
      EXPECT_TRUE(allowed.contains(arrow.to)) << arrow.file << " includes from " << arrow.to;
    }
  }
}

// Catches a new folder under src/ that nobody placed in the picture, and a picture whose arrows
// run in a circle.
TEST(RoomsTest, EveryRoomIsInThePictureAndThePictureHasNoCycle) {
  for (const auto& entry : std::filesystem::directory_iterator(sourceDir)) {
    if (entry.is_directory()) {
      EXPECT_TRUE(allowedArrows.contains(entry.path().filename().string())) << entry.path();
    }
  }
  for (const auto& [room, allowed] : allowedArrows) {
    std::set<std::string> seen;
    EXPECT_FALSE(reaches(room, room, seen)) << room;
    for (const std::string& to : allowed) EXPECT_TRUE(allowedArrows.contains(to)) << room << " -> " << to;
  }
}
