#include "keys/KeyTextCheck.h"

#include <gtest/gtest.h>

#include "keys/KeyTokens.h"

namespace {

constexpr KeyTextCheck::Screen screen{1920, 1080};
constexpr std::size_t noLimit = 1000;

class KeyTextCheckTest : public ::testing::Test {
 protected:
  std::vector<KeyTextCheck::Finding> check(std::string_view text, std::optional<KeyTextCheck::Screen> on = screen) {
    return checker.check(text, on, noLimit);
  }
  // The one finding of a text, as kind, marked text and message.
  void expectOne(std::string_view text, KeyTextCheck::Kind kind, std::string_view marked, std::string_view message) {
    SCOPED_TRACE(text);
    const auto findings = check(text);
    ASSERT_EQ(findings.size(), 1U);
    EXPECT_EQ(findings[0].kind, kind);
    EXPECT_EQ(text.substr(findings[0].begin, findings[0].end - findings[0].begin), marked);
    EXPECT_EQ(findings[0].message, message);
  }

  const KeyTokens tokens;
  const KeyTextCheck checker{tokens};
};

}  // namespace

// Fault: a text the translation types whole was reported, which would teach the user to ignore
// the warnings.
TEST_F(KeyTextCheckTest, ATextThatTypesAsWrittenHasNoFinding) {
  for (const char* text : {"", "plain text", "<ENTER>", "<esc>x<Ctrl-Down>c<CTRL-UP>", "<", "a<", "<<ENTER>", "a > b",
                           "<MOUSE-LEFT-CLICK 100 200>", "<mouse-right-up 0 1079>", "<MOUSE-MIDDLE-DOWN  5 6>",
                           "<MOUSE-LEFT-CLICK +5 6>", "<F24>\x02\x03<KEYPAD0>", "caf\xc3\xa9<TAB>"}) {
    EXPECT_TRUE(check(text).empty()) << text;
  }
}

TEST_F(KeyTextCheckTest, AnUnknownTokenIsMarkedWhole) {
  expectOne("Hi<ENTR>there", KeyTextCheck::Kind::unknownToken, "<ENTR>",
            "\"<ENTR>\" is not a key name: it will be skipped; did you mean <ENTER>?");
  // One token from the first "<" to the first ">", whatever lies between.
  expectOne("<A<ENTER>", KeyTextCheck::Kind::unknownToken, "<A<ENTER>",
            "\"<A<ENTER>\" is not a key name: it will be skipped");
  expectOne("if a < b and c > d", KeyTextCheck::Kind::unknownToken, "< b and c >",
            "\"< b and c >\" is not a key name: it will be skipped");
  expectOne("<MOUSE-LEFT-CLICK>", KeyTextCheck::Kind::unknownToken, "<MOUSE-LEFT-CLICK>",
            "\"<MOUSE-LEFT-CLICK>\" is not a key name: it will be skipped");
  // A recording's name for a key without token is told as such, not as a misspelt name.
  expectOne("a<NO-TOKEN XF86AudioMute>", KeyTextCheck::Kind::noToken, "<NO-TOKEN XF86AudioMute>",
            "\"<NO-TOKEN XF86AudioMute>\": a key with no token was pressed here: skipped");
}

// Faults: a key name one slip away (a letter missing, extra, wrong or two swapped, in any case)
// was not offered, or a name two slips away was, or one of several equally near names was.
TEST_F(KeyTextCheckTest, AKeyNameOneEditAwayIsOffered) {
  // Each written token with the name offered, or none.
  for (const auto& [written, name] : std::initializer_list<std::pair<std::string, std::string>>{
           {"<ENTR>", "<ENTER>"}, {"<entter>", "<ENTER>"}, {"<ENTEX>", "<ENTER>"}, {"<ETNER>", "<ENTER>"},
           {"<delet>", "<DELETE>"}, {"<ETNRE>", ""}, {"<hello>", ""}, {"<F25>", ""}}) {
    const auto findings = check(written);
    ASSERT_EQ(findings.size(), 1U) << written;
    EXPECT_EQ(findings[0].message, "\"" + written + "\" is not a key name: it will be skipped" +
                                       (name.empty() ? "" : "; did you mean " + name + "?"));
  }
}

TEST_F(KeyTextCheckTest, AnUnterminatedTokenMarksTheRestOfTheText) {
  expectOne("ab<F13 and more", KeyTextCheck::Kind::unterminatedToken, "<F13 and more",
            "\"<F13 and more\" has no closing \">\": it and the rest will be skipped");
}

// Faults: a comma, a letter, a missing or an extra number, or a double blank read as 0 without
// a word; the unedited template of the Insert Special menu clicked at 0, 0.
TEST_F(KeyTextCheckTest, MouseNumbersThatReadOtherThanWrittenAreReported) {
  expectOne("<MOUSE-LEFT-CLICK 100,200>", KeyTextCheck::Kind::malformedMouse, "<MOUSE-LEFT-CLICK 100,200>",
            "\"<MOUSE-LEFT-CLICK 100,200>\" needs two whole numbers X Y: it will use 0, 100");
  expectOne("<MOUSE-LEFT-CLICK X Y>", KeyTextCheck::Kind::malformedMouse, "<MOUSE-LEFT-CLICK X Y>",
            "\"<MOUSE-LEFT-CLICK X Y>\" needs two whole numbers X Y: it will use 0, 0");
  for (const char* text : {"<MOUSE-LEFT-CLICK 5>", "<MOUSE-LEFT-CLICK 1 2 3>", "<MOUSE-LEFT-CLICK 1  2>",
                           "<MOUSE-RIGHT-DOWN 10 20 >", "<MOUSE-LEFT-UP 1.5 2>", "<MOUSE-LEFT-UP 99999999999 2>",
                           "<MOUSE-LEFT-UP --1 2>"}) {
    SCOPED_TRACE(text);
    const auto findings = check(text);
    ASSERT_EQ(findings.size(), 1U);
    EXPECT_EQ(findings[0].kind, KeyTextCheck::Kind::malformedMouse);
  }
}

TEST_F(KeyTextCheckTest, APointOffTheScreenIsReportedOnlyAgainstAScreen) {
  expectOne("<MOUSE-LEFT-CLICK 1920 20>", KeyTextCheck::Kind::mouseOffScreen, "<MOUSE-LEFT-CLICK 1920 20>",
            "\"<MOUSE-LEFT-CLICK 1920 20>\" is outside the screen (1920 x 1080)");
  EXPECT_EQ(check("<MOUSE-LEFT-CLICK -300 20>").size(), 1U);
  EXPECT_EQ(check("<MOUSE-LEFT-CLICK 10 1080>").size(), 1U);
  EXPECT_TRUE(check("<MOUSE-LEFT-CLICK 1919 1079>").empty());
  EXPECT_TRUE(check("<MOUSE-LEFT-CLICK -300 20>", std::nullopt).empty());
}

TEST_F(KeyTextCheckTest, FindingsComeInTextOrderUpToTheLimit) {
  const std::string text = "<A>x<MOUSE-LEFT-CLICK 1 >y<B>z<C";
  const auto all = check(text);
  ASSERT_EQ(all.size(), 4U);
  EXPECT_EQ(all[0].begin, 0U);
  EXPECT_EQ(all[1].kind, KeyTextCheck::Kind::malformedMouse);
  EXPECT_EQ(all[2].begin, text.find("<B>"));
  EXPECT_EQ(all[3].end, text.size());
  EXPECT_EQ(checker.check(text, screen, 2).size(), 2U);
}

// Fault: a long token filled the line under the text box, or was cut inside a character.
TEST_F(KeyTextCheckTest, ALongTokenIsQuotedByItsBeginningAndLineBreaksAsBlanks) {
  const std::string text = "<" + std::string(26, 'a') + "\xc3\xa9" + std::string(40, 'b') + ">";
  const auto findings = check(text);
  ASSERT_EQ(findings.size(), 1U);
  EXPECT_EQ(findings[0].message, "\"<" + std::string(26, 'a') + "\u2026\" is not a key name: it will be skipped");
  EXPECT_EQ(check("<EN\x02\x03TER>")[0].message, "\"<EN  TER>\" is not a key name: it will be skipped");
}

// Faults: a character the layout lacks not told, told as typed, or told once per character of a
// run; a token's letters or a Tab asked about as characters; the limit passed by such runs.
TEST_F(KeyTextCheckTest, CharactersTheLayoutLacksAreMarkedAsPastedOrSkippedByRuns) {
  // ASCII is typed, other Latin and the euro are pasted, CJK is skipped.
  const KeyTextCheck::DeliveryOf delivery = [](char32_t c) {
    if (c < 0x80) return KeyTextCheck::Delivery::typed;
    return c < 0x3000 ? KeyTextCheck::Delivery::pasted : KeyTextCheck::Delivery::skipped;
  };
  using Kind = KeyTextCheck::Kind;
  const std::pair<std::string, std::vector<std::pair<Kind, std::string>>> cases[] = {
      {"plain <ENTER>\ttext<TAB>", {}},
      {"caf\xc3\xa9!", {{Kind::pasted, "\"\xc3\xa9\" will be pasted: the keyboard layout has no key for it"}}},
      {"a\xc3\xa9\xe2\x82\xac" "b",
       {{Kind::pasted, "\"\xc3\xa9\xe2\x82\xac\" will be pasted: the keyboard layout has no key for them"}}},
      {"\xe4\xb8\xad<ENTER>\xc3\xa9",
       {{Kind::skipped,
         "\"\xe4\xb8\xad\" will be skipped: the keyboard layout has no key for it and the desktop lets Zentak paste "
         "nothing"},
        {Kind::pasted, "\"\xc3\xa9\" will be pasted: the keyboard layout has no key for it"}}},
      {"\xc3\xa9\xe4\xb8\xad<ENTR>",
       {{Kind::pasted, "\"\xc3\xa9\" will be pasted: the keyboard layout has no key for it"},
        {Kind::skipped,
         "\"\xe4\xb8\xad\" will be skipped: the keyboard layout has no key for it and the desktop lets Zentak paste "
         "nothing"},
        {Kind::unknownToken, "\"<ENTR>\" is not a key name: it will be skipped; did you mean <ENTER>?"}}},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    const auto findings = checker.check(text, screen, noLimit, delivery);
    ASSERT_EQ(findings.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(findings[i].kind, expected[i].first);
      EXPECT_EQ(findings[i].message, expected[i].second);
    }
  }
  EXPECT_TRUE(check("caf\xc3\xa9\xe4\xb8\xad").empty()) << "without a delivery every character is typed";
  EXPECT_EQ(checker.check("\xc3\xa9" "a\xc3\xa9" "a\xc3\xa9", screen, 2, delivery).size(), 2U);
}
