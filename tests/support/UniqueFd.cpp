#include "support/UniqueFd.h"

#include <fcntl.h>

#include <array>
#include <cerrno>
#include <system_error>

UniqueFd UniqueFd::adopt(int created) {
  if (created < 0) throw std::system_error(errno, std::generic_category(), "cannot create a descriptor");
  UniqueFd owned(created);
  if (created > STDERR_FILENO) return owned;
  const int moved = ::fcntl(created, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (moved < 0) throw std::system_error(errno, std::generic_category(), "cannot renumber a descriptor");
  return UniqueFd(moved);
}

std::pair<UniqueFd, UniqueFd> UniqueFd::pipe() {
  std::array<int, 2> fds{};
  if (::pipe2(fds.data(), O_CLOEXEC) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot create a pipe");
  UniqueFd readEnd = adopt(fds[0]);
  UniqueFd writeEnd = adopt(fds[1]);
  return {std::move(readEnd), std::move(writeEnd)};
}
