#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <filesystem>
#include <string>

// Where the copy of the program running for a program folder listens for the commands of later
// copies. A socket file in the user's runtime folder ($XDG_RUNTIME_DIR) when it is one no other
// user may enter: nobody else can then reach the channel or take its name first. Without such a
// folder, an abstract name, which any local user could bind first; both ends then check who is at
// the other (see CopyChannel). The name follows the program's folder, never where its project
// lives, so that callers find the running copy even when that choice would come out otherwise
// now. Plain C++, any thread.
class ChannelAddress {
 public:
  // The channel of the program in programFolder, in the folder $XDG_RUNTIME_DIR names.
  [[nodiscard]] static ChannelAddress forProgram(const std::filesystem::path& programFolder);
  // The same in runtimeFolder; an empty path stands for no runtime folder.
  ChannelAddress(const std::filesystem::path& programFolder, const std::filesystem::path& runtimeFolder);

  // Whether the channel is a socket file, which its listener removes when it ends.
  [[nodiscard]] bool onDisk() const { return !file.empty(); }
  // The socket file; empty for an abstract name.
  [[nodiscard]] const std::filesystem::path& path() const { return file; }
  // The address as a user reads it: the socket file, or the abstract name after an '@'.
  [[nodiscard]] std::string describe() const;
  // Fills address for bind or connect; the length to pass with it.
  socklen_t fill(sockaddr_un& address) const;

  // A channel's name for a program folder: the same for every spelling of the same folder.
  [[nodiscard]] static std::string nameFor(const std::filesystem::path& programFolder);
  // Whether folder may hold the socket: this user's own folder, closed to everyone else.
  [[nodiscard]] static bool isPrivate(const std::filesystem::path& folder);

 private:
  std::filesystem::path file;
  std::string abstractName;
};
