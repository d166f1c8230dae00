#include "project/InstanceLock.h"

#include <cstdio>
#include <system_error>

#include "tern/Crc32.h"

InstanceLock::InstanceLock(const std::filesystem::path& projectFolder, const std::filesystem::path& lockFolder) {
  checker.Create(wxString::FromUTF8(nameFor(projectFolder)), wxString::FromUTF8(lockFolder.string()));
}

bool InstanceLock::heldElsewhere() const { return checker.IsAnotherRunning(); }

std::string InstanceLock::nameFor(const std::filesystem::path& projectFolder) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::weakly_canonical(projectFolder, error);
  if (error) folder = projectFolder.lexically_normal();
  const std::string text = folder.string();
  // A path can be longer than a file name may be: its checksum stands for it.
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", Tern::crc32(text.data(), static_cast<std::uint32_t>(text.size()), 0));
  return ".Zentak-" + std::string(hex) + ".lock";
}
