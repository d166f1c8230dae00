#pragma once

#include <filesystem>
#include <string>

// The file that keeps a desktop's permission token between runs of the program. Whoever holds the
// token controls the desktop without asking, so the file is readable by the user only. Any thread.
class RestoreTokenFile {
 public:
  explicit RestoreTokenFile(std::filesystem::path file);

  // The token kept, or an empty text when there is none.
  [[nodiscard]] std::string read() const;
  // Keeps the token, making the folder where needed; returns whether it was written.
  bool write(const std::string& token) const;

 private:
  std::filesystem::path path;
};
