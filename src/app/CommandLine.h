#pragma once

#include <string>

// What the program is asked to do by its arguments, read with the toolkit's command-line
// parser before the toolkit starts, so that none of it needs a display. The toolkit's own
// options (--display and the like) pass through to it. Any thread, before the toolkit starts.
class CommandLine {
 public:
  enum class Action {
    // Open the window, as without arguments.
    start,
    help,
    version,
    list,
    // Run a group: in the copy running on the project, or in this one once it has loaded it.
    run,
    stop,
    // An option the program does not know, or a missing or extra argument.
    usageError,
  };

  // argv as main receives it (UTF-8 where the bytes are).
  CommandLine(int argc, const char* const* argv);

  [[nodiscard]] Action action() const { return todo; }
  // The group of --run (UTF-8).
  [[nodiscard]] const std::string& group() const { return groupName; }
  // For usageError, what was wrong, one line.
  [[nodiscard]] const std::string& error() const { return problem; }
  // The options and what they do, for --help and after an error.
  [[nodiscard]] const std::string& usage() const { return usageText; }

 private:
  Action todo = Action::start;
  std::string groupName;
  std::string problem;
  std::string usageText;
};
