#pragma once

#include <filesystem>

// Where the project file, its kept unreadable copies and the crash report live. A copy of the
// program in a folder of its own keeps them beside itself, so the folder can be carried around
// whole. An installed program (in a folder named "bin", as package managers place programs) or
// one whose folder this user may not write to keeps them in the user's data folder instead,
// $XDG_DATA_HOME/Zentak or ~/.local/share/Zentak. UI thread, at start-up.
class ProjectFolder {
 public:
  // The project folder of a program in programFolder, made when it is the data folder and does
  // not exist yet. Throws std::system_error when the data folder is needed but cannot be named
  // (no home folder) or made.
  static std::filesystem::path choose(const std::filesystem::path& programFolder);
  // The same folder, named only: nothing is made. Throws as choose does when it cannot be named.
  static std::filesystem::path locate(const std::filesystem::path& programFolder);

  // True when programFolder keeps no project: named "bin", or not writable.
  static bool isShared(const std::filesystem::path& programFolder);
};
