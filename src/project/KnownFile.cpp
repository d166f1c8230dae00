#include "project/KnownFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>
#include <utility>

KnownFile::KnownFile(std::filesystem::path path, bool isLink, std::filesystem::path target,
                     std::optional<ProjectFile::FileStamp> fileStamp)
    : place(std::move(path)), link(isLink), file(std::move(target)), stamp(fileStamp) {}

KnownFile KnownFile::look(const std::filesystem::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return {path, false, path, std::nullopt};
    throw std::system_error(errno, std::generic_category(), "Cannot look at " + path.string());
  }
  const bool isLink = S_ISLNK(info.st_mode);
  std::filesystem::path target = isLink ? ProjectFile::finalTarget(path) : path;
  const std::optional<ProjectFile::FileStamp> found = ProjectFile::stampOf(target);
  return {path, isLink, std::move(target), found};
}

KnownFile KnownFile::replace(std::string_view text) const {
  const KnownFile now = look(place);
  // Nothing at the path: a new file replaces nothing of anyone's.
  const bool nothingThere = !now.link && !now.stamp;
  // The same link to the same place, whose file is gone: made again there, as at a first save.
  const bool linkedFileGone = now.link && link && now.file == file && !now.stamp;
  if (now != *this && !nothingThere && !linkedFileGone) {
    throw Changed(place.string() + " no longer leads to the file last read or written there");
  }
  ProjectFile::checkReplaceable(now.file);
  return {place, now.link, now.file, ProjectFile::replaceFile(now.file, text)};
}
