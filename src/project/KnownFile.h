#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "project/ProjectFile.h"

// A file as the program last read or wrote it through a path: whether the path was a symbolic
// link, the file it led to, and that file's stamp. A save replaces only that file, so that a
// link put in the path's place, or a file another program wrote there, is never written over
// or through. Plain C++; one thread at a time.
class KnownFile {
 public:
  // The path leads elsewhere, or its file was changed by someone else.
  class Changed : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  // What the path leads to now. Throws std::system_error when it cannot be looked at.
  static KnownFile look(const std::filesystem::path& path);

  // Replaces the file with text, as ProjectFile::writeFileSafely does, when the path still leads
  // to this file unchanged, or to nothing at all (the save then makes it); returns what the
  // path leads to after. Throws Changed, writing nothing, when the path leads to another file
  // or this one has changed; std::system_error when the file is read-only or the write fails.
  [[nodiscard]] KnownFile replace(std::string_view text) const;

  [[nodiscard]] const std::filesystem::path& path() const { return place; }
  // The file a save writes: the path itself, or the file its links lead to.
  [[nodiscard]] const std::filesystem::path& target() const { return file; }

  bool operator==(const KnownFile&) const = default;

 private:
  KnownFile(std::filesystem::path path, bool isLink, std::filesystem::path target,
            std::optional<ProjectFile::FileStamp> stamp);

  std::filesystem::path place;
  bool link = false;
  std::filesystem::path file;
  // Nothing when no file was there.
  std::optional<ProjectFile::FileStamp> stamp;
};
