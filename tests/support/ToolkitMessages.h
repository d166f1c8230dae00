#pragma once

#include <string>

// Window tests fail on a critical message of the toolkit's libraries or a warning of GTK. While
// an object of this class lives, messages containing its text are let pass: a complaint that
// comes from inside the toolkit's own windows and that the program cannot avoid, named where it
// is allowed.
class AllowedToolkitMessage {
 public:
  explicit AllowedToolkitMessage(std::string text);
  ~AllowedToolkitMessage();
  AllowedToolkitMessage(const AllowedToolkitMessage&) = delete;
  AllowedToolkitMessage& operator=(const AllowedToolkitMessage&) = delete;

 private:
  std::string allowed;
};
