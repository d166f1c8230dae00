#include "support/TempDir.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zentak-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "cannot create a directory like " + pattern);
  }
  dir = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}
