#include "project/ProjectFolder.h"

#include <unistd.h>

#include "project/RecoveryFile.h"

bool ProjectFolder::isShared(const std::filesystem::path& programFolder) {
  if (programFolder.filename() == "bin") return true;
  return ::access(programFolder.c_str(), W_OK) != 0;
}

std::filesystem::path ProjectFolder::choose(const std::filesystem::path& programFolder) {
  std::filesystem::path folder = locate(programFolder);
  if (folder != programFolder) std::filesystem::create_directories(folder);
  return folder;
}

std::filesystem::path ProjectFolder::locate(const std::filesystem::path& programFolder) {
  return isShared(programFolder) ? RecoveryFile::folder() : programFolder;
}
