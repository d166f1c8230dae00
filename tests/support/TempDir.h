#pragma once

#include <filesystem>

// A new directory under the system's temporary directory, removed with everything in it on
// destruction.
class TempDir {
 public:
  // Throws std::system_error when the directory cannot be created.
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return dir; }

 private:
  std::filesystem::path dir;
};
