#include "keys/MouseTokenPoint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/KeyTokens.h"

namespace {

struct Case {
  // The fault the case would catch.
  const char* fault;
  std::string text;
  // The caret, marked in text by "|", which is taken out.
  std::string expected;
};

}  // namespace

TEST(MouseTokenPointTest, ThePickedPointGoesIntoTheTokenAtTheCaretOrANewClick) {
  const KeyTokens tokens;
  const std::vector<Case> cases{
      {"a template left at X Y", "a<MOUSE-LEFT-CLICK |X Y>b", "a<MOUSE-LEFT-CLICK 12 34>|b"},
      {"the token's kind or spelling changed", "<mouse-right-down 1 2|>", "<mouse-right-down 12 34>|"},
      {"the caret just after a token not taken as in it", "<MOUSE-MIDDLE-UP 5 6>|<ENTER>",
       "<MOUSE-MIDDLE-UP 12 34>|<ENTER>"},
      {"the wrong one of two tokens changed", "<MOUSE-LEFT-CLICK 1 1>x<MOUSE-LEFT-UP |9 9>",
       "<MOUSE-LEFT-CLICK 1 1>x<MOUSE-LEFT-UP 12 34>|"},
      {"malformed numbers kept beside the new ones", "<MOUSE-LEFT-CLICK 1,2 |>", "<MOUSE-LEFT-CLICK 12 34>|"},
      {"a click put inside a key token, breaking it", "<ENT|ER>", "<ENTER><MOUSE-LEFT-CLICK 12 34>|"},
      {"no new click where the caret is in no token", "ab|c", "ab<MOUSE-LEFT-CLICK 12 34>|c"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    const std::size_t caret = text.find('|');
    text.erase(caret, 1);
    const MouseTokenPoint::Edit edit = MouseTokenPoint::place(tokens, text, caret, 12, 34);
    std::string result = text.replace(edit.begin, edit.end - edit.begin, edit.replacement);
    result.insert(edit.caret, "|");
    EXPECT_EQ(result, c.expected) << c.fault;
  }
}
