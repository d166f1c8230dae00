#include "app/ChannelAddress.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "tern/Crc32.h"

ChannelAddress ChannelAddress::forProgram(const std::filesystem::path& programFolder) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return {programFolder, runtime != nullptr ? std::filesystem::path(runtime) : std::filesystem::path()};
}

ChannelAddress::ChannelAddress(const std::filesystem::path& programFolder, const std::filesystem::path& runtimeFolder) {
  const std::string name = nameFor(programFolder);
  const std::filesystem::path candidate = runtimeFolder / (name + ".socket");
  // A path too long for a socket address would be cut short, and then name another socket.
  if (!runtimeFolder.empty() && candidate.is_absolute() && candidate.native().size() < sizeof(sockaddr_un::sun_path) &&
      isPrivate(runtimeFolder)) {
    file = candidate;
  } else {
    abstractName = "Zentak/" + std::to_string(::getuid()) + "/" + name;
  }
}

std::string ChannelAddress::describe() const { return onDisk() ? file.string() : "@" + abstractName; }

socklen_t ChannelAddress::fill(sockaddr_un& address) const {
  address = {};
  address.sun_family = AF_UNIX;
  if (onDisk()) {
    file.native().copy(address.sun_path, sizeof address.sun_path - 1);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + file.native().size() + 1);
  }
  // An abstract address starts with a zero byte: nothing on disk to clean up after a crash.
  const std::size_t length = std::min(abstractName.size(), sizeof address.sun_path - 1);
  abstractName.copy(address.sun_path + 1, length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

std::string ChannelAddress::nameFor(const std::filesystem::path& programFolder) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::weakly_canonical(programFolder, error);
  if (error) folder = programFolder.lexically_normal();
  const std::string text = folder.string();
  // A path can be longer than a socket's name may be: its checksum stands for it.
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", Tern::crc32(text.data(), static_cast<std::uint32_t>(text.size()), 0));
  return "Zentak-" + std::string(hex);
}

bool ChannelAddress::isPrivate(const std::filesystem::path& folder) {
  struct stat status {};
  return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
         (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}
