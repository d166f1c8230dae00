// The user's keys while the real program types a long text into xrecorder on a private Xvfb:
// a Shift touch, and the stop key's chord pressed key after key, on the person's keyboard
// (PersonKeyboard) in the middle of the text.

#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <filesystem>
#include <string>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "project/ProjectFile.h"
#include "support/ChildProcess.h"
#include "support/PersonKeyboard.h"
#include "support/RecorderClient.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"
#include "support/ProgramEnvironment.h"

namespace {

using Clock = std::chrono::steady_clock;

// Long enough that the touch lands while the text is still being typed on a fast machine.
constexpr std::size_t textLength = 200'000;

std::string letters() {
  std::string text;
  for (std::size_t i = 0; i < textLength; ++i) text.push_back(static_cast<char>('a' + i % 26));
  return text;
}

// A project of one group, "Type", that types the letters once and ends with an Escape.
void writeTypingProject(const std::filesystem::path& folder) {
  GroupCommand group;
  group.setName("Type");
  group.setStartDelay(0, 0);
  group.setStartDelayMs(0);
  group.setStopAfterDelay(false);
  group.setStopAfterRepeats(true);
  group.setRepeatCount(1);
  group.setFinalText("<ESCAPE>");
  BaseCommand typing;
  typing.setText(letters());
  typing.setRunCount(1);
  std::string text;
  ProjectFile::writeProject(text, {{&group, {&typing}}});
  ProjectFile::writeFileSafely(folder / ProjectFile::fileName, text);
}

class UserKeysDuringRunTest : public ::testing::Test {
 protected:
  UserKeysDuringRunTest() {
    std::filesystem::create_directories(home);
    writeTypingProject(dir.path());
    std::filesystem::copy_file(ZENTAK_PROGRAM_PATH, dir.path() / "zentak");
  }

  // Runs the group in a new copy of the program, which then stays until the test ends.
  ChildProcess runGroup() {
    ChildProcess::Options options;
    options.argv = {(dir.path() / "zentak").string(), "--run", "Type"};
    options.env = programOnDisplay(display.name(), home);
    return ChildProcess(options);
  }

  const XvfbServer display;
  const TempDir dir;
  const std::filesystem::path home = dir.path() / "home";
  RecorderClient recorder{display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture)};
  PersonKeyboard person{display.name()};
};

}  // namespace

// Fault: a Shift the user touches during a long text types the characters the server handles
// meanwhile in capitals, or the characters around the touch are lost or doubled.
TEST_F(UserKeysDuringRunTest, AShiftTouchLeavesTheTextExact) {
  const ChildProcess program = runGroup();
  std::string seen = recorder.readUntil("abc");
  person.press("Shift_L");
  seen += recorder.readUntil("xyz");
  person.release("Shift_L");
  seen += recorder.readUntilEscape();
  EXPECT_EQ(seen.size(), textLength) << "characters lost or doubled";
  EXPECT_TRUE(seen == letters()) << "characters modified or out of place";
  std::size_t capitals = 0;
  for (const char c : seen) capitals += (c >= 'A' && c <= 'Z') ? 1 : 0;
  EXPECT_EQ(capitals, 0U);
}

// Fault: the chord's Ctrl, Alt and Shift, pressed one after another during a long text, modify
// the characters typed meanwhile (control characters and capitals into the window), or the
// chord no longer ends the run when its keys reach no window.
TEST_F(UserKeysDuringRunTest, TheChordPressedKeyAfterKeyModifiesNothing) {
  const ChildProcess program = runGroup();
  std::string seen = recorder.readUntil("abc");
  for (const char* key : {"Control_L", "Alt_L", "Shift_L", "Escape"}) person.press(key);
  for (const char* key : {"Escape", "Shift_L", "Alt_L", "Control_L"}) person.release(key);
  // The final commands' Escape, typed once the run has ended.
  seen += recorder.readUntilEscape();
  EXPECT_LT(seen.size(), textLength) << "the chord did not end the run";
  const std::string typed = letters();
  const auto [wrong, unused] = std::mismatch(seen.begin(), seen.end(), typed.begin(), typed.end());
  EXPECT_TRUE(wrong == seen.end()) << "characters modified, lost or doubled from "
                                   << std::string(wrong, seen.end()).substr(0, 80);
}
