#include "keys/StopChord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string reformat(const std::string& text) {
  const auto chord = StopChord::parse(text);
  return chord ? chord->format() : "(rejected)";
}

}  // namespace

// Catches a default that drifts from what the user is told, or one the parser cannot read back.
TEST(StopChordTest, TheStandardChordReadsBack) {
  EXPECT_EQ(StopChord::standard().format(), "Ctrl+Alt+Shift+Escape");
  EXPECT_EQ(StopChord::parse("Ctrl+Alt+Shift+Escape"), StopChord::standard());
}

// Catches names the user writes in another case, or with spaces, being turned down, and a key
// name matched in any case when an exact match exists ("A" and "a" are different keysyms).
TEST(StopChordTest, ModifiersInAnyCaseAndTheKeyByItsName) {
  EXPECT_EQ(reformat("ctrl+ALT+shift+escape"), "Ctrl+Alt+Shift+Escape");
  EXPECT_EQ(reformat(" Control + Super + F5 "), "Ctrl+Super+F5");
  EXPECT_EQ(reformat("Shift+Alt+Ctrl+Super+Return"), "Ctrl+Alt+Shift+Super+Return");
  EXPECT_EQ(reformat("Alt+A"), "Alt+A");
  EXPECT_EQ(reformat("Alt+a"), "Alt+a");
  EXPECT_EQ(reformat("Ctrl+plus"), "Ctrl+plus");
}

// Catches a chord that any plain key press would set off, one that could never be pressed, and
// an exception escaping the parser on bad text.
TEST(StopChordTest, MalformedChordsAreRejected) {
  for (const char* text : {"", "+", "Escape", "Ctrl+", "+Escape", "Ctrl++Escape", "Ctrl+Shift", "Ctrl+Shift_L",
                           "Alt+Caps_Lock", "Ctrl+ISO_Level3_Shift", "Hyper+Escape", "Ctrl+NoSuchKey", "Ctrl Escape"}) {
    EXPECT_EQ(StopChord::parse(text), std::nullopt) << '"' << text << '"';
  }
}
