#pragma once

#include <cstdint>
#include <string_view>

#include "tern/MsgExcept.h"

// An operating-system failure: the failed operation's text, then, when the system gave an
// error number, the separator "\",\"", the number, the separator again and the system's
// one-line description of it.
class OsException : public MsgExcept {
 public:
  // Takes the error number from errno and clears errno. Any thread.
  explicit OsException(std::string_view text);
  // For failures whose error number comes back as a value rather than in errno; errno is
  // left alone. Any thread.
  OsException(std::string_view text, int errorNumber);

  // The error number at construction, 0 when there was none. Any thread.
  [[nodiscard]] std::uint32_t errorCode() const noexcept { return code; }

 private:
  std::uint32_t code;
};
