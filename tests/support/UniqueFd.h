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

  // Takes a freshly created descriptor (throwing std::system_error with errno when it is
  // negative) and renumbers it above stderr, so that setting up a child's standard streams
  // cannot overwrite it even when this process runs with one of them closed.
  static UniqueFd adopt(int created);

  // A close-on-exec pipe: the read end first.
  static std::pair<UniqueFd, UniqueFd> pipe();

  [[nodiscard]] int get() const { return fd; }
  [[nodiscard]] bool valid() const { return fd >= 0; }

  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

 private:
  int fd = -1;
};
