#include "text/Utf8.h"

#include <gtest/gtest.h>

#include "text/Atoi.h"

namespace {

std::u32string decodeAll(std::string_view text) {
  std::u32string out;
  for (std::size_t pos = 0; pos < text.size();) out.push_back(decodeUtf8(text, pos));
  return out;
}

}  // namespace

TEST(Utf8, SequencesAreOneCharacter) {
  EXPECT_EQ(decodeAll("a\xC3\xA4\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80"), U"aä€中😀");
}

TEST(Utf8, BytesStartingNoValidSequenceStandForThemselvesAsLatin1) {
  EXPECT_EQ(decodeAll("\xE4"), U"\u00E4");                  // single-byte ä from an older file
  EXPECT_EQ(decodeAll("gr\xFC\xDF"), U"gr\u00FC\u00DF");    // grüß in Latin-1
  EXPECT_EQ(decodeAll("\xC3"), U"\u00C3");                  // cut short at the end
  EXPECT_EQ(decodeAll("\xC3x"), U"\u00C3x");                // no continuation byte
  EXPECT_EQ(decodeAll("\xC0\xAF"), U"\u00C0\u00AF");        // overlong "/"
  EXPECT_EQ(decodeAll("\xED\xA0\xBF"), U"\u00ED\u00A0\u00BF");  // a surrogate
  EXPECT_EQ(decodeAll("\xF4\x90\x80\x80"), U"\u00F4\u0090\u20AC\u20AC");  // beyond U+10FFFF
  EXPECT_EQ(decodeAll("\xA0\xFF"), U"\u00A0\u00FF");
}

// Fault: lone bytes 0x80-0x9F from older files read as C1 controls that type nothing.
TEST(Utf8, LoneBytesFrom0x80To0x9FReadAsWindows1252) {
  EXPECT_EQ(decodeAll("\x80 \x85\x91x\x92\x93\x94\x96\x97\x99\x9F"), U"\u20AC \u2026\u2018x\u2019\u201C\u201D\u2013\u2014\u2122\u0178");
  EXPECT_EQ(decodeAll("\x81\x8D\x8F\x90\x9D"), U"\u0081\u008D\u008F\u0090\u009D");  // unassigned there
  EXPECT_EQ(decodeAll("\xC2\x80\xC2\x99"), U"\u0080\u0099");  // encoded C1 controls are still themselves
}

TEST(Utf8, EncodeRoundTrips) {
  for (char32_t c : {U'a', U'\u00E4', U'\u20AC', U'\u4E2D', U'\U0001F600', U'\U0010FFFF'}) {
    const std::string bytes = encodeUtf8(c);
    std::size_t pos = 0;
    EXPECT_EQ(decodeUtf8(bytes, pos), c);
    EXPECT_EQ(pos, bytes.size());
  }
  EXPECT_EQ(encodeUtf8(0xD800), "\xEF\xBF\xBD");
}

TEST(Atoi, ReadsLikeAtoiAndSaturates) {
  EXPECT_EQ(atoiSaturating(""), 0);
  EXPECT_EQ(atoiSaturating("X"), 0);
  EXPECT_EQ(atoiSaturating("  -20 300"), -20);
  EXPECT_EQ(atoiSaturating("+7>"), 7);
  EXPECT_EQ(atoiSaturating("\t\n42"), 42);
  EXPECT_EQ(atoiSaturating("- 5"), 0);
  EXPECT_EQ(atoiSaturating("2147483647"), 2147483647);
  EXPECT_EQ(atoiSaturating("2147483648"), 2147483647);
  EXPECT_EQ(atoiSaturating("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(atoiSaturating("-99999999999999999999999"), -2147483647 - 1);
}
