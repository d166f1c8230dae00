#include "project/ProjectFolder.h"

#include <unistd.h>

#include "project/RecoveryFile.h"

bool ProjectFolder::isShared(const std::filesystem::path& programFolder) {
  if (programFolder.filename() == "bin") return true;
  return ::access(programFolder.c_str(), W_OK) != 0;
}

std::filesystem::path ProjectFolder::choose(const std::filesystem::path& programFolder) {
  if (!isShared(programFolder)) return programFolder;
  std::filesystem::path data = RecoveryFile::folder();
  std::filesystem::create_directories(data);
  return data;
}
