#include "keys/KeyTokens.h"

#include <gtest/gtest.h>

TEST(KeyTokens, TableHoldsTheEightyEightTokens) {
  const KeyTokens tokens;
  EXPECT_EQ(tokens.entries().size(), 88U);
  for (const auto& [text, code] : tokens.entries()) {
    EXPECT_TRUE(text.starts_with('<') && text.ends_with('>')) << text;
    for (char c : text) EXPECT_FALSE(c >= 'a' && c <= 'z') << text;
  }
}

TEST(KeyTokens, CodesOfNamedKeys) {
  const KeyTokens tokens;
  const std::pair<const char*, int> expected[] = {
      {"<BACKSPACE>", 8},   {"<ENTER>", 13},    {"<RETURN>", 13},     {"<ESC>", 27},       {"<ESCAPE>", 27},
      {"<PRINT>", 44},      {"<CANCEL>", 3},    {"<F1>", 112},        {"<F24>", 135},      {"<KEYPAD0>", 96},
      {"<KEYPAD9>", 105},   {"<R-CTRL>", 17},   {"<CTRL>", 17},       {"<R-ALT>", 165},    {"<R-SHIFT>", 161},
      {"<MULTIPLY>", 106},  {"<DIVIDE>", 111},  {"<CTRL-DOWN>", 151}, {"<SHIFT-UP>", 156}, {"<CAPS>", 20},
      {"<NUM-LOCK>", 144},  {"<SCROLL>", 145},  {"<PAGE-UP>", 33},    {"<DEL>", 46},       {"<INS>", 45},
  };
  for (const auto& [text, code] : expected) {
    ASSERT_TRUE(tokens.find(text).has_value()) << text;
    EXPECT_EQ(*tokens.find(text), code) << text;
  }
  EXPECT_FALSE(tokens.find("<F25>").has_value());
  EXPECT_FALSE(tokens.find("<enter>").has_value());
  EXPECT_FALSE(tokens.find("<MOUSE-LEFT-CLICK 1 2>").has_value());
}
