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
  EXPECT_EQ(decodeAll("\xED\xA0\x80"), U"\u00ED\u00A0\u0080");  // a surrogate
  EXPECT_EQ(decodeAll("\xF4\x90\x80\x80"), U"\u00F4\u0090\u0080\u0080");  // beyond U+10FFFF
  EXPECT_EQ(decodeAll("\x80\xFF"), U"\u0080\u00FF");
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
