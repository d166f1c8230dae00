#include "keys/KeyParser.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "keys/KeyTokens.h"
#include "keys/UsLayout.h"

namespace {

using Codes = std::vector<int>;

constexpr int sDown = KeyCode::shiftDown;
constexpr int sUp = KeyCode::shiftUp;

// A layout like a German one for the characters the tests need: '@' and '€' need AltGr.
class AltGrLayout : public KeyboardLayout {
 public:
  std::optional<KeyScan> keyScan(char32_t c) const override {
    if (c == U'@') return KeyScan{81, KeyMod::ctrl | KeyMod::alt};
    if (c == U'€') return KeyScan{69, KeyMod::ctrl | KeyMod::alt};
    if (c == U'ä') return KeyScan{222, 0};
    return us.keyScan(c);
  }

 private:
  UsLayout us;
};

class KeyParserTest : public ::testing::Test {
 protected:
  Codes parse(std::string_view text) {
    KeyActions list{1, 2, 3};  // parsing must empty the list first
    parser.parseKeys(text, list);
    return Codes(list.begin(), list.end());
  }

  static Codes mouse(int code, int x, int y) {
    KeyActions list{static_cast<std::uint8_t>(code)};
    KeyParser::pushNumber(x, list);
    KeyParser::pushNumber(y, list);
    return Codes(list.begin(), list.end());
  }

  static Codes typed(char32_t c) {
    return {KeyCode::typeChar, static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
            static_cast<int>((c >> 16) & 0xFF), static_cast<int>(c >> 24)};
  }

  KeyTokens tokens;
  UsLayout layout;
  KeyParser parser{tokens, layout};
};

}  // namespace

TEST_F(KeyParserTest, PlainCharactersOnAUsLayout) {
  EXPECT_EQ(parse("ab"), (Codes{65, 66}));
  EXPECT_EQ(parse("A!"), (Codes{sDown, 65, sUp, sDown, 49, sUp}));
  EXPECT_EQ(parse(""), Codes{});
}

TEST_F(KeyParserTest, EveryPrintableAsciiCharacterTypesItsUsKey) {
  // The US keyboard, row by row: key codes, the characters alone and with Shift.
  struct Row {
    Codes keys;
    std::string plain;
    std::string shifted;
  };
  const Row rows[] = {
      {{192, 49, 50, 51, 52, 53, 54, 55, 56, 57, 48, 189, 187}, "`1234567890-=", "~!@#$%^&*()_+"},
      {{81, 87, 69, 82, 84, 89, 85, 73, 79, 80, 219, 221, 220}, "qwertyuiop[]\\", "QWERTYUIOP{}|"},
      {{65, 83, 68, 70, 71, 72, 74, 75, 76, 186, 222}, "asdfghjkl;'", "ASDFGHJKL:\""},
      {{90, 88, 67, 86, 66, 78, 77, 188, 190, 191}, "zxcvbnm,./", "ZXCVBNM<>?"},
      {{32}, " ", ""},
  };
  std::size_t seen = 0;
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < row.keys.size(); ++i) {
      KeyActions list;
      parser.pushChar(static_cast<unsigned char>(row.plain[i]), list);
      EXPECT_EQ(Codes(list.begin(), list.end()), Codes{row.keys[i]}) << row.plain[i];
      ++seen;
      if (i < row.shifted.size()) {
        list.clear();
        parser.pushChar(static_cast<unsigned char>(row.shifted[i]), list);
        EXPECT_EQ(Codes(list.begin(), list.end()), (Codes{sDown, row.keys[i], sUp})) << row.shifted[i];
        ++seen;
      }
    }
  }
  EXPECT_EQ(seen, 95U);
}

TEST_F(KeyParserTest, TokensAreCaseInsensitive) {
  EXPECT_EQ(parse("<enter>x"), (Codes{13, 88}));
  EXPECT_EQ(parse("<ctrl-down>c<ctrl-up>"), (Codes{151, 67, 152}));
  EXPECT_EQ(parse("<Esc>"), Codes{27});
  EXPECT_EQ(parse("<ESC>"), Codes{27});
  EXPECT_EQ(parse("<r-ctrl>"), Codes{17});
  EXPECT_EQ(parse("<multiply>"), Codes{106});
  EXPECT_EQ(parse("<f24><Keypad7>"), (Codes{135, 103}));
}

TEST_F(KeyParserTest, UnknownAndUnterminatedTokensAreDropped) {
  EXPECT_EQ(parse("<F13"), Codes{});
  EXPECT_EQ(parse("ab<F13"), (Codes{65, 66}));
  EXPECT_EQ(parse("<FOO>z"), Codes{90});
  EXPECT_EQ(parse("<A<ENTER>"), Codes{});
  EXPECT_EQ(parse("<>"), Codes{});
}

TEST_F(KeyParserTest, LessThanSignAsAPlainCharacter) {
  const Codes less{sDown, 188, sUp};
  EXPECT_EQ(parse("<"), less);
  EXPECT_EQ(parse("a<"), (Codes{65, sDown, 188, sUp}));
  Codes lessEnter = less;
  lessEnter.push_back(13);
  EXPECT_EQ(parse("<<ENTER>"), lessEnter);
  Codes twoLess = less;
  twoLess.insert(twoLess.end(), less.begin(), less.end());
  EXPECT_EQ(parse("<<"), twoLess);
  EXPECT_EQ(parse(">"), (Codes{sDown, 190, sUp}));
}

TEST_F(KeyParserTest, MouseTokens) {
  EXPECT_EQ(parse("<MOUSE-RIGHT-CLICK 10 20>"), (Codes{26, 0, 10, 0, 0, 0, 0, 20, 0, 0, 0}));
  EXPECT_EQ(parse("<MOUSE-LEFT-CLICK -20 300>"), mouse(7, -20, 300));
  EXPECT_EQ(parse("<mouse-middle-up 1 2>"), mouse(62, 1, 2));
  const std::pair<const char*, int> prefixes[] = {
      {"<MOUSE-LEFT-CLICK ", 7},   {"<MOUSE-LEFT-DOWN ", 15},   {"<MOUSE-LEFT-UP ", 22},
      {"<MOUSE-RIGHT-CLICK ", 26}, {"<MOUSE-RIGHT-DOWN ", 58},  {"<MOUSE-RIGHT-UP ", 59},
      {"<MOUSE-MIDDLE-CLICK ", 60}, {"<MOUSE-MIDDLE-DOWN ", 61}, {"<MOUSE-MIDDLE-UP ", 62},
  };
  for (const auto& [prefix, code] : prefixes) {
    EXPECT_EQ(parse(std::string(prefix) + "3 4>"), mouse(code, 3, 4)) << prefix;
  }
}

TEST_F(KeyParserTest, MouseNumberRules) {
  EXPECT_EQ(parse("<MOUSE-LEFT-CLICK>"), Codes{});
  EXPECT_EQ(parse("<MOUSE-LEFT-CLICK 5>"), mouse(7, 0, 5));
  EXPECT_EQ(parse("<MOUSE-LEFT-CLICK 1 2 3>"), mouse(7, 2, 3));
  EXPECT_EQ(parse("<MOUSE-LEFT-CLICK 1  2>"), mouse(7, 0, 2));
  EXPECT_EQ(parse("<MOUSE-LEFT-CLICK X Y>"), mouse(7, 0, 0));
  EXPECT_EQ(parse("<MOUSE-LEFT-CLICK 99999999999 -99999999999>"), mouse(7, 2147483647, -2147483647 - 1));
  // A mouse prefix does not stop the table being tried first, nor is a token without its blank one.
  EXPECT_EQ(parse("<MOUSE-LEFT-CLICKX 1 2>"), Codes{});
}

TEST_F(KeyParserTest, CoordinatesRoundTrip) {
  for (std::int32_t n : {0, 1, -1, -300, 70000, 65535, -65536, 2147483647, -2147483647 - 1}) {
    KeyActions list{KeyCode::mouseLeftClick};
    KeyParser::pushNumber(n, list);
    KeyParser::pushNumber(-(n / 2), list);
    ASSERT_EQ(list.size(), 11U);
    std::size_t pos = 0;
    EXPECT_EQ(KeyParser::popNumber(list, pos), n);
    EXPECT_EQ(pos, 5U);
    EXPECT_EQ(KeyParser::popNumber(list, pos), -(n / 2));
    EXPECT_EQ(pos, 10U);
  }
  KeyActions list;
  KeyParser::pushNumber(-300, list);
  EXPECT_EQ(Codes(list.begin(), list.end()), (Codes{1, 44, 1, 0, 0}));
}

TEST_F(KeyParserTest, PopNumberPastTheEndReadsZeros) {
  const KeyActions shortList{KeyCode::mouseLeftClick, 0, 5};
  std::size_t pos = 0;
  EXPECT_EQ(KeyParser::popNumber(shortList, pos), 5);
  EXPECT_EQ(KeyParser::popNumber(shortList, pos), 0);
}

TEST_F(KeyParserTest, LineBreaksPressEnterOncePerBreak) {
  EXPECT_EQ(parse("a\x02\x03" "b"), (Codes{65, 13, 66}));
  EXPECT_EQ(parse("a\x03" "b\x03"), (Codes{65, 13, 66, 13}));
  EXPECT_EQ(parse("\x02\x02"), (Codes{13, 13}));
  EXPECT_EQ(parse("\x03\x02"), (Codes{13, 13}));
  EXPECT_EQ(parse("\x02\x03\x02\x03"), (Codes{13, 13}));
  EXPECT_EQ(parse("x\r\ny"), (Codes{88, 13, 89}));
}

TEST_F(KeyParserTest, ControlCharacters) {
  EXPECT_EQ(parse("\ta\b\x1b"), (Codes{9, 65, 8, 27}));
  EXPECT_EQ(parse("\x01\x7f\x1f" "a"), Codes{65});
}

TEST_F(KeyParserTest, CharactersNoKeyTypesGoToTheInjectorWithTheirCodePoint) {
  EXPECT_EQ(parse("\xE4\xB8\xAD"), typed(U'中'));
  EXPECT_EQ(parse("\xF0\x9F\x98\x80"), typed(U'\U0001F600'));
  // A single Latin-1 byte from an older file types its character.
  EXPECT_EQ(parse("\xE4"), typed(U'ä'));
}

TEST(KeyParserLayout, AltGrCharactersAreTypedByTheInjector) {
  const KeyTokens tokens;
  AltGrLayout layout;
  const KeyParser parser(tokens, layout);
  KeyActions list;
  parser.parseKeys("@\xE2\x82\xAC\xC3\xA4" "a", list);
  EXPECT_EQ(Codes(list.begin(), list.end()), (Codes{157, 64, 0, 0, 0, 157, 0xAC, 0x20, 0, 0, 222, 65}));
}

TEST_F(KeyParserTest, AnyTextGivesAWellFormedList) {
  // Whatever the text, every mouse code is followed by its two coordinates and every
  // type-character code by its code point, so the player never reads past the end.
  const std::string pieces[] = {"<", ">", "<<", "a", "Z", " ", "<MOUSE-LEFT-CLICK ", "<MOUSE-MIDDLE-UP ", "-",
                                "7", "<ENTER>", "\x02", "\x03", "\xC3", "\xA4", "\xE4\xB8\xAD", "<SHIFT-DOWN>", "\x7f"};
  std::mt19937 random(12345);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> length(0, 40);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    for (int n = length(random); n > 0; --n) text += pieces[pick(random)];
    KeyActions list;
    parser.parseKeys(text, list);
    std::size_t pos = 0;
    while (pos < list.size()) {
      const std::uint8_t code = list[pos];
      if (code == KeyCode::typeChar) {
        pos += 1 + KeyCode::codePointBytes;
      } else if (code == 7 || code == 15 || code == 22 || code == 26 || (code >= 58 && code <= 62)) {
        pos += 1 + KeyCode::coordinateBytes;
      } else {
        ++pos;
      }
    }
    ASSERT_EQ(pos, list.size()) << text;
  }
}
