#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One end of a pipe through which clipboard data passes between this program and the desktop:
// owns the descriptor and reads or writes the data whole, giving up at a deadline, so that a
// window that stops answering never holds the program. Used by one thread at a time.
class ClipboardPipe {
 public:
  using Clock = std::chrono::steady_clock;

  // Takes over fd (closed on destruction); a negative fd is a pipe no data passes through.
  explicit ClipboardPipe(int owned) : fd(owned) {}
  ~ClipboardPipe();
  ClipboardPipe(const ClipboardPipe&) = delete;
  ClipboardPipe& operator=(const ClipboardPipe&) = delete;

  enum class ReadEnd : std::uint8_t { whole, tooLarge, failed };

  // Appends everything the writer sends up to its end to data: whole, or tooLarge as soon as
  // more than limit bytes came, or failed on an error or a writer not done by the deadline.
  [[nodiscard]] ReadEnd readAll(std::string& data, std::size_t limit, Clock::time_point deadline) const;

  // Writes data whole; false on an error, a reader gone, or one that has not taken it all by the
  // deadline. A reader gone raises no SIGPIPE.
  [[nodiscard]] bool writeAll(std::string_view data, Clock::time_point deadline) const;

 private:
  // Waits until fd is ready for events; false at the deadline or on an error.
  [[nodiscard]] bool await(short events, Clock::time_point deadline) const;

  int fd;
};
