#include "project/ProjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "commands/Record.h"

namespace ProjectFile {

namespace {

constexpr std::string_view lineEnd = "\r\n";

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

}  // namespace

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
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

bool readGroupBlock(const std::vector<std::string_view>& lines, std::size_t& pos, Sink& sink) {
  if (pos >= lines.size()) return false;
  auto group = std::make_unique<GroupCommand>();
  group->load(lines[pos++]);
  const std::int32_t count = group->getCommandCount();
  sink.group(std::move(group));
  for (std::int32_t i = 0; i < count; ++i) {
    if (pos >= lines.size()) return false;
    auto command = std::make_unique<BaseCommand>();
    command->load(lines[pos++]);
    sink.command(std::move(command));
  }
  return true;
}

bool readProject(std::string_view text, Sink& sink) {
  const std::vector<std::string_view> lines = splitLines(text);
  if (lines.empty()) return false;
  const std::int32_t groups = Record::Reader(lines[0]).number(0);
  std::size_t pos = 1;
  for (std::int32_t i = 0; i < groups; ++i) {
    if (!readGroupBlock(lines, pos, sink)) return false;
  }
  return true;
}

std::string readFile(const std::filesystem::path& path) {
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) throw systemError("Cannot open", path.string());
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got == 0) return text;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw systemError("Cannot read", path.string());
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

void writeFileSafely(const std::filesystem::path& path, std::string_view text) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string hidden = ".";
  hidden += path.filename().string();
  hidden += ".XXXXXX";
  std::string pattern = (folder / hidden).string();
  Descriptor file(::mkstemp(pattern.data()));
  if (file.get() < 0) throw systemError("Cannot create a temporary file in", folder.string());
  TemporaryFile temporary{std::filesystem::path(pattern)};
  // Keep the permissions of the file being replaced, or the usual ones for a new file.
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  if (::fchmod(file.get(), mode) != 0) throw systemError("Cannot set the permissions of", pattern);
  writeAll(file.get(), text, pattern);
  if (::fsync(file.get()) != 0) throw systemError("Cannot flush", pattern);
  if (file.close() != 0) throw systemError("Cannot close", pattern);
  if (::rename(pattern.c_str(), path.c_str()) != 0) throw systemError("Cannot replace", path.string());
  temporary.keep();
  // Make the rename itself durable.
  const Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
}

std::filesystem::path preserveUnreadable(const std::filesystem::path& path) {
  for (int n = 1;; ++n) {
    std::filesystem::path copy = path;
    copy += ".unreadable-";
    copy += std::to_string(n);
    std::error_code error;
    if (std::filesystem::exists(copy, error)) continue;
    if (error) throw systemError(error, "Cannot look for", copy.string());
    std::filesystem::copy_file(path, copy, error);
    if (error) throw systemError(error, "Cannot copy " + path.string() + " to", copy.string());
    return copy;
  }
}

}  // namespace ProjectFile
