#include "tern/OsException.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

constexpr std::string_view separator = "\",\"";

// strerror_r comes in a POSIX flavour (fills the buffer, returns a status) and a GNU flavour
// (returns the text); these two overloads accept either.
[[maybe_unused]] const char* describedBy(int status, const char* buffer) { return status == 0 ? buffer : ""; }
[[maybe_unused]] const char* describedBy(const char* text, const char*) { return text != nullptr ? text : ""; }

int takeErrno() {
  const int number = errno;
  errno = 0;
  return number;
}

std::string compose(std::string_view text, int errorNumber) {
  std::string message(text);
  if (errorNumber == 0) return message;
  message += separator;
  message += std::to_string(static_cast<std::uint32_t>(errorNumber));
  std::array<char, 256> buffer{};
  std::string_view description = describedBy(strerror_r(errorNumber, buffer.data(), buffer.size()), buffer.data());
  // Only the first line of the system's text.
  description = description.substr(0, description.find_first_of("\r\n"));
  if (!description.empty()) {
    message += separator;
    message += description;
  }
  return message;
}

}  // namespace

OsException::OsException(std::string_view text) : OsException(text, takeErrno()) {}

OsException::OsException(std::string_view text, int errorNumber)
    : MsgExcept(compose(text, errorNumber)), code(static_cast<std::uint32_t>(errorNumber)) {}
