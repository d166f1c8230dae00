#include "project/RecoveryFile.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <system_error>

#include "project/ProjectFile.h"

namespace {

std::filesystem::path fromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return {};
  std::filesystem::path path(value);
  // The XDG rules ignore a relative path: it would depend on the working folder.
  return path.is_absolute() ? path : std::filesystem::path();
}

std::string stamp(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return std::string(text, length);
}

}  // namespace

std::filesystem::path RecoveryFile::folder() {
  std::filesystem::path base = fromEnvironment("XDG_DATA_HOME");
  if (base.empty()) {
    const std::filesystem::path home = fromEnvironment("HOME");
    base = home.empty() ? std::filesystem::path() : home / ".local" / "share";
  }
  if (base.empty()) throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory), "no home folder");
  return base / "Zentak";
}

std::filesystem::path RecoveryFile::write(std::string_view text, std::chrono::system_clock::time_point when) {
  const std::filesystem::path dir = folder();
  std::filesystem::create_directories(dir);
  const std::string name = "Zentak-recovered-" + stamp(when);
  std::filesystem::path path = dir / (name + ".ini");
  // Two failed exits within a second must not replace the first one's file.
  for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(path)); ++n) {
    path = dir / (name + "-" + std::to_string(n) + ".ini");
  }
  ProjectFile::writeFileSafely(path, text);
  return path;
}
