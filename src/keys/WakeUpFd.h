#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

// An eventfd that wakes a worker thread out of poll: any thread may signal it.
class WakeUpFd {
 public:
  // Throws std::system_error when no eventfd can be made.
  WakeUpFd() : fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  }
  ~WakeUpFd() { close(fd); }
  WakeUpFd(const WakeUpFd&) = delete;
  WakeUpFd& operator=(const WakeUpFd&) = delete;

  [[nodiscard]] int get() const { return fd; }

  void signal() const noexcept {
    const std::uint64_t one = 1;
    // Only a counter already at its maximum fails, and that one wakes the worker anyway.
    [[maybe_unused]] const ssize_t written = write(fd, &one, sizeof one);
  }

  void drain() const noexcept {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(fd, &count, sizeof count);
  }

 private:
  int fd;
};
