#pragma once

#include <wx/string.h>
#include <wx/snglinst.h>

#include <filesystem>
#include <string>

// Keeps a second copy of the program off a project folder that a running copy already uses:
// the last of two copies to exit would overwrite the other's work. One lock file per folder,
// in lockFolder (the user's home by default), named after the folder's path. UI thread.
class InstanceLock {
 public:
  explicit InstanceLock(const std::filesystem::path& projectFolder, const std::filesystem::path& lockFolder = {});

  // Another living process holds this folder's lock.
  [[nodiscard]] bool heldElsewhere() const;

  // The lock's name for a folder: the same for every spelling of the same folder.
  [[nodiscard]] static std::string nameFor(const std::filesystem::path& projectFolder);

 private:
  wxSingleInstanceChecker checker;
};
