#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
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

// The largest file read. A project of this size holds hundreds of thousands of commands, far
// more than anyone types into a tree by hand, while reading it whole, with the views of its
// lines and fields the readers make, still fits in a desktop's memory; anything larger is not a
// project.
inline constexpr std::uintmax_t largestFile = std::uintmax_t{64} << 20;

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

// Reads a group file: the group block its text begins with, handing each record to the sink as
// it is made; lines after the counted commands are ignored. Returns false, without reading past
// the lines, when a line the counts announce is missing (an empty text has no group line); what
// was handed over before stays handed over. Memory does not grow with the count.
bool readGroupFile(std::string_view text, Sink& sink);

// How reading a project ended.
enum class ReadOutcome {
  // Every line was read.
  whole,
  // The groups the header announces were read; non-empty lines after them were ignored.
  extraLines,
  // A line the counts announce is missing, the text is empty, the header's count is not a
  // number, or it is 0 or less while non-empty lines follow: the text holds groups that were
  // not read.
  failed,
};

// Reads a whole project: the header, then as many group blocks as it announces. The header's
// count is read like C's atoi but must be nothing else. Memory does not grow with the counts.
ReadOutcome readProject(std::string_view text, Sink& sink);

// Reads a whole regular file of at most largestFile bytes. Throws std::system_error when it
// cannot be opened or read, or is something else: a directory, a device or a pipe (opened
// without waiting for a writer).
std::string readFile(const std::filesystem::path& path);

// Throws std::system_error when the file a save to the path would replace, links followed, is
// read-only: its owner's write permission is off (which holds for root too) or this process
// may not write it.
void checkReplaceable(const std::filesystem::path& path);

// What tells one file's content on disk from another's: the file (its device and inode) and
// its size and time of last change as they were.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;

  bool operator==(const FileStamp&) const = default;
};

// The stamp of what the path names, links followed; nothing when nothing is there (a link
// that points nowhere included). Throws std::system_error when it cannot be looked at.
std::optional<FileStamp> stampOf(const std::filesystem::path& path);

// The file a path names once every symbolic link is followed; a link that points nowhere names
// the file it would point to, so that a save creates it there. Throws std::system_error when a
// link cannot be read or the links go round.
std::filesystem::path finalTarget(const std::filesystem::path& path);

// Replaces the file with the text so that a failure at any point leaves either the old file or
// the new one whole: a temporary file beside it is written, flushed to the disk and renamed
// over it. A symbolic link is followed to the file it finally names, which is replaced there,
// so the link stays. Throws std::system_error naming what failed (checkReplaceable included);
// the old file is then untouched.
void writeFileSafely(const std::filesystem::path& path, std::string_view text);

// The same at file itself, with no link followed (a link there would be replaced by the file)
// and no check of its permissions. Returns the stamp of the file written, taken from the file
// itself, so that nothing renamed into its place meanwhile is taken for it.
FileStamp replaceFile(const std::filesystem::path& file, std::string_view text);

// Removes the temporary files writeFileSafely leaves beside the path when it is killed halfway
// (".Zentak.ini.XXXXXX"). Run before any save can be under way; a file that cannot be removed
// is left, as it harms nothing.
void removeStaleTemporaries(const std::filesystem::path& path);

// Moves whatever stands at the path (a file that could not be read, a directory, a link, a
// pipe) to a new name beside it that says so ("Zentak.ini.unreadable-1", "-2", ... whichever is
// free first), so that saving in its place loses nothing. A rename needs no read permission
// and never replaces an earlier kept file. Returns the new path; throws std::system_error when
// the move fails.
std::filesystem::path preserveUnreadable(const std::filesystem::path& path);

}  // namespace ProjectFile
