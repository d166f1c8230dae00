#include "project/GroupFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

namespace GroupFile {

namespace {

// The text after the file name's last dot; empty when it has none.
std::string extensionOf(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

// Errors that say the file cannot be written there at all, as opposed to a write that failed.
bool refusesWriting(const std::error_code& error) {
  for (const std::errc refusal : {std::errc::permission_denied, std::errc::operation_not_permitted,
                                  std::errc::read_only_file_system, std::errc::is_a_directory,
                                  std::errc::no_such_file_or_directory, std::errc::not_a_directory,
                                  std::errc::too_many_symbolic_link_levels, std::errc::filename_too_long}) {
    if (error == refusal) return true;
  }
  return false;
}

// Root may create files in any folder: the owner's write permission is what marks one read-only.
bool folderReadOnly(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return (info.st_mode & S_IWUSR) == 0 || ::access(folder.c_str(), W_OK) != 0;
}

}  // namespace

bool hasGroupExtension(const std::filesystem::path& path) {
  std::string found = extensionOf(path);
  std::transform(found.begin(), found.end(), found.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return found == extension;
}

std::filesystem::path withGroupExtension(const std::filesystem::path& path) {
  if (hasGroupExtension(path)) return path;
  std::filesystem::path named = path;
  named += ".";
  named += extension;
  return named;
}

SaveOutcome save(const std::filesystem::path& path, const ProjectFile::GroupBlock& block) {
  if (folderReadOnly(path)) return SaveOutcome::notWritable;
  std::string text;
  ProjectFile::writeGroupBlock(text, block);
  try {
    ProjectFile::writeFileSafely(path, text);
    return SaveOutcome::saved;
  } catch (const std::system_error& error) {
    return refusesWriting(error.code()) ? SaveOutcome::notWritable : SaveOutcome::writeFailed;
  }
}

}  // namespace GroupFile
