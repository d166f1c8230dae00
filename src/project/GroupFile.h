#pragma once

#include <filesystem>
#include <string_view>

#include "project/ProjectFile.h"

// A group file ("Hunt.zgf"): one group block of the project file, without the header, written
// and read by the project file's own block writer and reader.
namespace GroupFile {

inline constexpr std::string_view extension = "zgf";

// Whether the file name's extension, the text after its last dot, is "zgf" in any case.
[[nodiscard]] bool hasGroupExtension(const std::filesystem::path& path);

// The path with ".zgf" appended unless its file name ends in it, in any case: "Level 1.5" becomes
// "Level 1.5.zgf", which import accepts.
[[nodiscard]] std::filesystem::path withGroupExtension(const std::filesystem::path& path);

enum class SaveOutcome {
  saved,
  // The file or its folder may not be written (read-only, missing, a folder in its place).
  notWritable,
  // Writing failed halfway (a full disk, an I/O error); the old file, if any, is as it was.
  writeFailed,
};

// Writes the group to the path as the project file is saved: a temporary file beside it,
// flushed to the disk and renamed into place, so that no failure leaves a damaged file. A
// folder whose owner may not write it counts as read-only, for root too.
SaveOutcome save(const std::filesystem::path& path, const ProjectFile::GroupBlock& block);

}  // namespace GroupFile
