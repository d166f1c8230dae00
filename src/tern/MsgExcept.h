#pragma once

#include <array>
#include <exception>
#include <string_view>

// An exception carrying a fixed text of at most 255 characters; longer texts are cut.
// Copying it copies the whole text, so it never allocates once built.
class MsgExcept : public std::exception {
 public:
  static constexpr std::size_t maxLength = 255;

  // Any thread.
  explicit MsgExcept(std::string_view text) noexcept;

  // The text. Any thread.
  [[nodiscard]] const char* what() const noexcept override;

 private:
  std::array<char, maxLength + 1> message{};
};
