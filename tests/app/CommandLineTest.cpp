#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

// Faults: an unknown option, a stray argument or two requests at once starting the window; the
// toolkit's own options refused; a group name cut at a space or mangled in UTF-8; --help taken
// for an error.
TEST(CommandLineTest, EachArgumentListAsksForOneThing) {
  using Action = CommandLine::Action;
  const struct {
    std::vector<const char*> arguments;
    Action action;
    std::string group;
  } cases[] = {
      {{}, Action::start, ""},
      {{"--help"}, Action::help, ""},
      {{"-h"}, Action::help, ""},
      {{"--version"}, Action::version, ""},
      {{"--list"}, Action::list, ""},
      {{"--stop"}, Action::stop, ""},
      {{"--run", "Daily report"}, Action::run, "Daily report"},
      {{"--run=Grüße"}, Action::run, "Grüße"},
      {{"--display=:3", "--run", "A"}, Action::run, "A"},
      {{"--display", ":3", "--name", "z", "--class", "Z", "--g-fatal-warnings"}, Action::start, ""},
      {{"--frobnicate"}, Action::usageError, ""},
      {{"-x"}, Action::usageError, ""},
      {{"stray"}, Action::usageError, ""},
      {{"--run"}, Action::usageError, ""},
      {{"--list", "--stop"}, Action::usageError, ""},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"zentak"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    const CommandLine line(static_cast<int>(argv.size()), argv.data());
    const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
    EXPECT_EQ(line.action(), c.action) << shown;
    EXPECT_EQ(line.group(), c.group) << shown;
    EXPECT_EQ(line.action() == Action::usageError, !line.error().empty()) << shown << ": " << line.error();
    EXPECT_NE(line.usage().find("--run GROUP"), std::string::npos) << line.usage();
  }
}
