#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// The architecture's picture: the rooms of src/ each room may include, besides itself. A room is
// a folder with a library of its own; a folder inside a room's folder may be a room of its own
// (input/x11 inside input), and then its files are its own. The libraries are linked the same
// way, so an arrow missing here is a room depending on one above.
const std::map<std::string, std::set<std::string>> allowedArrows{
    {"app", {"frame", "input", "input/paste", "input/x11", "shell", "controls", "tree", "project", "commands", "keys",
             "resources", "tern", "text"}},
    {"frame", {"frame/editors", "run", "history", "project/keeper", "input", "capture", "shell", "controls", "tree",
               "project", "commands", "keys", "resources", "tern", "text"}},
    {"frame/editors", {"shell", "controls", "commands", "keys", "resources", "tern", "text"}},
    // The sequencer and the undo history: plain logic on the records, below every window.
    {"run", {"tree", "commands", "keys", "tern", "text"}},
    {"history", {"commands", "keys", "tern", "text"}},
    {"project/keeper", {"project", "shell", "commands", "keys", "tern", "text"}},
    // The desktop's input as a run uses it, over its platform layers.
    {"input", {"input/x11", "input/wayland", "input/kde", "input/gnome", "input/bus", "input/paste", "project",
               "commands", "keys", "tern", "text"}},
    {"capture", {"input/x11", "keys", "tern", "text"}},
    {"input/x11", {"keys", "tern", "text"}},
    {"input/wayland", {"input/paste", "keys", "tern", "text"}},
    {"input/kde", {"input/wayland", "input/bus", "input/paste", "keys", "tern", "text"}},
    {"input/gnome", {"input/wayland", "input/bus", "input/paste", "keys", "tern", "text"}},
    {"input/bus", {"keys", "tern", "text"}},
    {"input/paste", {"keys", "tern", "text"}},
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

// Rooms that must never reach one another, even through others: the platform layers of one
// level stand beside each other (X11 beside Wayland, KDE beside GNOME), and the plain logic of
// the language and the run knows no platform.
const std::vector<std::pair<std::string, std::string>> apart{
    {"input/x11", "input/wayland"}, {"input/wayland", "input/x11"}, {"input/kde", "input/gnome"},
    {"input/gnome", "input/kde"},   {"input/x11", "input/bus"},     {"run", "input"},
    {"keys", "input/paste"},        {"history", "input"},           {"capture", "input/wayland"},
};

const std::filesystem::path sourceDir = ZENTAK_SOURCE_DIR;

// The room a path under src/ belongs to: the deepest room whose folder holds it.
std::string roomOf(const std::string& path) {
  std::string best;
  for (const auto& [room, allowed] : allowedArrows) {
    if ((path == room || path.starts_with(room + "/")) && room.size() > best.size()) best = room;
  }
  return best;
}

struct Arrow {
  std::string file;
  std::string to;
};

// Every include of another room's header in one room's files.
std::vector<Arrow> arrowsOutOf(const std::string& room) {
  static const std::regex includeLine(R"(^\s*#\s*include\s*"([a-z0-9/]+)/[^/"]+")");
  std::vector<Arrow> arrows;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(sourceDir / room)) {
    const std::string file = std::filesystem::relative(entry.path(), sourceDir).string();
    if (!entry.is_regular_file() || roomOf(file) != room) continue;
    std::ifstream in(entry.path());
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
      if (!std::regex_search(line, match, includeLine)) continue;
      const std::string to = roomOf(match[1]);
      if (to != room) arrows.push_back({file, to.empty() ? match[1].str() : to});
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

// Catches a new library under src/ that nobody placed in the picture, and a picture whose arrows
// run in a circle.
TEST(RoomsTest, EveryRoomIsInThePictureAndThePictureHasNoCycle) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(sourceDir)) {
    if (entry.is_regular_file() && entry.path().filename() == "CMakeLists.txt" && entry.path().parent_path() != sourceDir) {
      const std::string folder = std::filesystem::relative(entry.path().parent_path(), sourceDir).string();
      EXPECT_TRUE(allowedArrows.contains(folder)) << folder;
    }
  }
  for (const auto& [room, allowed] : allowedArrows) {
    EXPECT_TRUE(std::filesystem::exists(sourceDir / room / "CMakeLists.txt")) << room;
    std::set<std::string> seen;
    EXPECT_FALSE(reaches(room, room, seen)) << room;
    for (const std::string& to : allowed) EXPECT_TRUE(allowedArrows.contains(to)) << room << " -> " << to;
  }
}

// Catches an arrow that ties two platform layers together (the X11 layer reaching Wayland's, KDE's
// reaching GNOME's) or a platform layer under the plain logic, even when each arrow alone looks
// harmless.
TEST(RoomsTest, ThePlatformLayersStandApart) {
  for (const auto& [from, to] : apart) {
    std::set<std::string> seen;
    EXPECT_FALSE(reaches(from, to, seen)) << from << " reaches " << to;
  }
}
