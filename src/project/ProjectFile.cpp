#include "project/ProjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>
#include <optional>
#include <system_error>
#include <utility>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "commands/Record.h"
#include "text/Atoi.h"

namespace ProjectFile {

namespace {

constexpr std::string_view lineEnd = "\r\n";
// The random part mkstemp puts in a temporary file's name.
constexpr std::string_view temporarySuffix = "XXXXXX";
// Links followed before giving up, as the kernel does.
constexpr int mostLinks = 40;

// "what" and the file it was about, with the error of the failed call.
std::system_error systemError(std::error_code error, std::string_view what, const std::string& file) {
  std::string text(what);
  text += ' ';
  text += file;
  return {error, text};
}

// The same with the error number the failed call left.
std::system_error systemError(std::string_view what, const std::string& file) {
  return systemError(std::error_code(errno, std::generic_category()), what, file);
}

// Owns a file descriptor.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : fd(descriptor) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  [[nodiscard]] int get() const { return fd; }
  // Closes now, so that a failing close is seen.
  int close() {
    const int result = ::close(fd);
    fd = -1;
    return result;
  }

 private:
  int fd;
};

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::filesystem::path file) : path(std::move(file)) {}
  ~TemporaryFile() {
    if (!kept) {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  void keep() { kept = true; }

 private:
  std::filesystem::path path;
  bool kept = false;
};

// Hands out the lines of a text one at a time, so that reading holds one line at a time
// whatever the counts announce.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : rest(text) {}

  // The next line, or nothing past the last one.
  std::optional<std::string_view> next() {
    if (rest.empty()) return std::nullopt;
    const std::size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) return std::exchange(rest, {});
    const std::string_view line = rest.substr(0, end);
    const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
    rest.remove_prefix(end + (crlf ? 2 : 1));
    return line;
  }

 private:
  std::string_view rest;
};

// Reads one group block from the lines next() hands out.
template <class NextLine>
bool readBlock(NextLine&& next, Sink& sink) {
  const std::optional<std::string_view> groupLine = next();
  if (!groupLine) return false;
  auto group = std::make_unique<GroupCommand>();
  group->load(*groupLine);
  const std::int32_t count = group->getCommandCount();
  sink.group(std::move(group));
  for (std::int32_t i = 0; i < count; ++i) {
    const std::optional<std::string_view> commandLine = next();
    if (!commandLine) return false;
    auto command = std::make_unique<BaseCommand>();
    command->load(*commandLine);
    sink.command(std::move(command));
  }
  return true;
}

// What atoi reads and nothing else: blanks, an optional sign, at least one digit.
bool isNumber(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i])) != 0) ++i;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
  if (i == field.size()) return false;
  for (; i < field.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(field[i])) == 0) return false;
  }
  return true;
}

// The name writeFileSafely gives its temporary file beside a file of this name, up to its
// random part.
std::string temporaryPrefix(const std::filesystem::path& file) { return "." + file.filename().string() + "."; }

// The folder a file lies in.
std::filesystem::path folderOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

void writeAll(int fd, std::string_view text, const std::string& name) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      throw systemError("Cannot write", name);
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

// The mode a program gives a new file: read and write for all, less the user's umask (which
// the temporary file's own mode ignores). The kernel tells the umask without changing it.
mode_t newFileMode() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("Umask:")) return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  // Kernels before 4.7: setting the umask is the only way to read it.
  const mode_t mask = ::umask(077);
  ::umask(mask);
  return 0666 & ~mask;
}

FileStamp stampFrom(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
          static_cast<std::int64_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

}  // namespace

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  LineCursor cursor(text);
  while (const std::optional<std::string_view> line = cursor.next()) lines.push_back(*line);
  return lines;
}

void writeGroupBlock(std::string& out, const GroupBlock& block) {
  Record::Writer(out).number(static_cast<std::int64_t>(block.commands.size())).text({});
  block.group->save(out);
  out += lineEnd;
  for (const BaseCommand* command : block.commands) {
    command->save(out);
    out += lineEnd;
  }
}

void writeProject(std::string& out, const std::vector<GroupBlock>& groups) {
  Record::Writer(out).number(static_cast<std::int64_t>(groups.size())).text(versionToken);
  out += lineEnd;
  for (const GroupBlock& block : groups) writeGroupBlock(out, block);
}

bool readGroupFile(std::string_view text, Sink& sink) {
  LineCursor cursor(text);
  return readBlock([&cursor] { return cursor.next(); }, sink);
}

ReadOutcome readProject(std::string_view text, Sink& sink) {
  LineCursor cursor(text);
  const std::optional<std::string_view> header = cursor.next();
  if (!header) return ReadOutcome::failed;
  const std::string_view count = header->substr(0, header->find(Record::separator));
  if (!isNumber(count)) return ReadOutcome::failed;
  const std::int32_t groups = atoiSaturating(count);
  for (std::int32_t i = 0; i < groups; ++i) {
    if (!readBlock([&cursor] { return cursor.next(); }, sink)) return ReadOutcome::failed;
  }
  while (const std::optional<std::string_view> line = cursor.next()) {
    // A count of 0 or less in front of groups is a damaged header, not an empty project.
    if (!line->empty()) return groups > 0 ? ReadOutcome::extraLines : ReadOutcome::failed;
  }
  return ReadOutcome::whole;
}

std::string readFile(const std::filesystem::path& path) {
  // Without O_NONBLOCK, opening a pipe would wait for a writer for ever.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) throw systemError("Cannot open", path.string());
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) throw systemError("Cannot look at", path.string());
  if (S_ISDIR(info.st_mode)) throw systemError(std::make_error_code(std::errc::is_a_directory), "Cannot read", path.string());
  if (!S_ISREG(info.st_mode)) {
    throw systemError(std::make_error_code(std::errc::invalid_argument), "Not a regular file:", path.string());
  }
  const auto tooLarge = [&path] {
    return systemError(std::make_error_code(std::errc::file_too_large), "Too large to read:", path.string());
  };
  if (static_cast<std::uintmax_t>(info.st_size) > largestFile) throw tooLarge();
  std::string text;
  text.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got == 0) return text;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw systemError("Cannot read", path.string());
    }
    text.append(buffer, static_cast<std::size_t>(got));
    // The file may grow while it is read.
    if (text.size() > largestFile) throw tooLarge();
  }
}

void checkReplaceable(const std::filesystem::path& path) {
  // stat and access follow the links to the file a save would replace.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  if ((info.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0) {
    throw systemError(std::make_error_code(std::errc::permission_denied), "Will not replace the read-only file",
                      path.string());
  }
}

std::optional<FileStamp> stampOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return stampFrom(info);
  if (errno == ENOENT) return std::nullopt;
  throw systemError("Cannot look at", path.string());
}

std::filesystem::path finalTarget(const std::filesystem::path& path) {
  std::filesystem::path file = path;
  for (int links = 0; links < mostLinks; ++links) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return file;
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(file, error);
    if (error) throw systemError(error, "Cannot follow the link", file.string());
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  throw systemError(std::make_error_code(std::errc::too_many_symbolic_link_levels), "Cannot follow the links of",
                    path.string());
}

void writeFileSafely(const std::filesystem::path& path, std::string_view text) {
  checkReplaceable(path);
  replaceFile(finalTarget(path), text);
}

FileStamp replaceFile(const std::filesystem::path& target, std::string_view text) {
  const std::filesystem::path folder = folderOf(target);
  std::string pattern = (folder / (temporaryPrefix(target) + std::string(temporarySuffix))).string();
  Descriptor file(::mkstemp(pattern.data()));
  if (file.get() < 0) throw systemError("Cannot create a temporary file in", folder.string());
  TemporaryFile temporary{std::filesystem::path(pattern)};
  // Keep the permissions of the file being replaced; a new file gets those the user's umask allows.
  struct stat old {};
  const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode();
  if (::fchmod(file.get(), mode) != 0) throw systemError("Cannot set the permissions of", pattern);
  writeAll(file.get(), text, pattern);
  if (::fsync(file.get()) != 0) throw systemError("Cannot flush", pattern);
  struct stat written {};
  if (::fstat(file.get(), &written) != 0) throw systemError("Cannot look at", pattern);
  if (file.close() != 0) throw systemError("Cannot close", pattern);
  if (::rename(pattern.c_str(), target.c_str()) != 0) throw systemError("Cannot replace", target.string());
  temporary.keep();
  // Make the rename itself durable.
  const Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
  return stampFrom(written);
}

void removeStaleTemporaries(const std::filesystem::path& path) {
  const std::string prefix = temporaryPrefix(path);
  std::error_code error;
  for (std::filesystem::directory_iterator it(folderOf(path), error), end; !error && it != end; it.increment(error)) {
    const std::filesystem::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (name.size() != prefix.size() + temporarySuffix.size() || !name.starts_with(prefix)) continue;
    const std::string_view random = std::string_view(name).substr(prefix.size());
    if (!std::all_of(random.begin(), random.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
      continue;
    }
    // mkstemp makes plain files only; anything else of that name is not ours.
    std::error_code ignored;
    if (entry.is_regular_file(ignored) && !entry.is_symlink(ignored)) std::filesystem::remove(entry.path(), ignored);
  }
}

std::filesystem::path preserveUnreadable(const std::filesystem::path& path) {
  for (int n = 1;; ++n) {
    std::filesystem::path kept = path;
    kept += ".unreadable-";
    kept += std::to_string(n);
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE) == 0) return kept;
    if (errno == EEXIST) continue;
    if (errno != EINVAL) throw systemError("Cannot move aside", path.string());
    // The file system cannot refuse to replace (NFS): look first, then rename.
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(kept, error))) continue;
    if (::rename(path.c_str(), kept.c_str()) != 0) throw systemError("Cannot move aside", path.string());
    return kept;
  }
}

}  // namespace ProjectFile
