#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/Version.h"

class BaseCommand;
class GroupCommand;

// The text of a project file and of a group file: group blocks (a group line with the number of
// its commands in front, then one line per command), behind a header line in a project file.
// Lines end in CR LF when written; LF, CR LF and a lone CR are all read as line ends.
namespace ProjectFile {

inline constexpr std::string_view fileName = "Zentak.ini";
inline constexpr std::string_view versionToken = Version::title;

// One group as it stands in the tree: its record and its commands in order.
struct GroupBlock {
  const GroupCommand* group;
  std::vector<const BaseCommand*> commands;
};

// Receives what a reader makes, in file order: each group, then each of its commands.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void group(std::unique_ptr<GroupCommand> group) = 0;
  virtual void command(std::unique_ptr<BaseCommand> command) = 0;
};

// Splits a file's text into lines. A last line without a line end is a line too.
std::vector<std::string_view> splitLines(std::string_view text);

// Appends one group block.
void writeGroupBlock(std::string& out, const GroupBlock& block);

// Appends the header line and every group block.
void writeProject(std::string& out, const std::vector<GroupBlock>& groups);

// Reads one group block from lines[pos] on, handing each record to the sink as it is made, and
// moves pos past it. Returns false, without reading past the lines, when a line the counts
// announce is missing; what was handed over before stays handed over.
bool readGroupBlock(const std::vector<std::string_view>& lines, std::size_t& pos, Sink& sink);

// Reads a whole project: the header, then as many group blocks as it announces; lines after
// them are ignored. Returns false when a line is missing (an empty text has no header).
bool readProject(std::string_view text, Sink& sink);

// Reads a whole file; throws std::system_error when it cannot be opened or read.
std::string readFile(const std::filesystem::path& path);

// Replaces the file with the text so that a failure at any point leaves either the old file or
// the new one whole: a temporary file beside it is written, flushed to the disk and renamed
// over it. Throws std::system_error naming what failed; the old file is then untouched.
void writeFileSafely(const std::filesystem::path& path, std::string_view text);

// Copies a file that could not be read to a new name beside it that says so
// ("Zentak.ini.unreadable-1", "-2", ... whichever is free first), so that saving over it loses
// nothing. Returns the copy's path; throws std::system_error when the copy fails.
std::filesystem::path preserveUnreadable(const std::filesystem::path& path);

}  // namespace ProjectFile
