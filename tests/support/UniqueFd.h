#pragma once

#include <unistd.h>

#include <utility>

// Owns one file descriptor and closes it on destruction.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int owned) : fd(owned) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd = std::exchange(other.fd, -1);
    }
    return *this;
  }

  [[nodiscard]] int get() const { return fd; }
  [[nodiscard]] bool valid() const { return fd >= 0; }

  // Gives up ownership without closing.
  [[nodiscard]] int release() { return std::exchange(fd, -1); }

  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

 private:
  int fd = -1;
};
