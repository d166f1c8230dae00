#include "tern/MsgExcept.h"

#include <algorithm>

MsgExcept::MsgExcept(std::string_view text) noexcept {
  const std::size_t length = std::min(text.size(), maxLength);
  std::copy_n(text.begin(), length, message.begin());
  message[length] = '\0';
}

const char* MsgExcept::what() const noexcept { return message.data(); }
