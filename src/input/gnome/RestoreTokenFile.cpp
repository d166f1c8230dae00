#include "input/gnome/RestoreTokenFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <system_error>
#include <utility>

namespace {

class FileHandle {
 public:
  explicit FileHandle(int descriptor) : fd(descriptor) {}
  ~FileHandle() {
    if (fd >= 0) close(fd);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  [[nodiscard]] int get() const { return fd; }

 private:
  int fd;
};

}  // namespace

RestoreTokenFile::RestoreTokenFile(std::filesystem::path file) : path(std::move(file)) {}

std::string RestoreTokenFile::read() const {
  std::string token;
  std::ifstream(path) >> token;
  return token;
}

bool RestoreTokenFile::write(const std::string& token) const {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  const FileHandle file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR));
  // A file made earlier by someone else's hand keeps its mode on opening: it is narrowed first.
  if (file.get() < 0 || fchmod(file.get(), S_IRUSR | S_IWUSR) != 0) return false;
  const std::string line = token + "\n";
  return ::write(file.get(), line.data(), line.size()) == static_cast<ssize_t>(line.size());
}
