#include "text/Utf8.h"

#include <array>
#include <cstdint>

namespace {

std::uint8_t byteAt(std::string_view text, std::size_t pos) { return static_cast<std::uint8_t>(text[pos]); }

bool isContinuation(std::uint8_t b) { return (b & 0xC0U) == 0x80U; }

// Older files were written in Windows-1252, which puts typographic characters where Latin-1 has
// invisible C1 controls; a lone byte there means the former. Unassigned positions stay as they are.
constexpr std::array<char32_t, 32> windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The character a byte stands for when it starts no valid sequence.
char32_t singleByte(std::uint8_t b) { return b >= 0x80U && b < 0xA0U ? windows1252High[b - 0x80U] : b; }

}  // namespace

char32_t decodeUtf8(std::string_view text, std::size_t& pos) {
  const std::uint8_t lead = byteAt(text, pos);
  std::size_t length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (lead < 0x80U) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0U) == 0xC0U) {
    length = 2;
    cp = lead & 0x1FU;
    minimum = 0x80;
  } else if ((lead & 0xF0U) == 0xE0U) {
    length = 3;
    cp = lead & 0x0FU;
    minimum = 0x800;
  } else if ((lead & 0xF8U) == 0xF0U) {
    length = 4;
    cp = lead & 0x07U;
    minimum = 0x10000;
  }
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return singleByte(lead);
  }
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t b = byteAt(text, pos + i);
    if (!isContinuation(b)) {
      ++pos;
      return singleByte(lead);
    }
    cp = (cp << 6U) | (b & 0x3FU);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return singleByte(lead);
  }
  pos += length;
  return cp;
}

std::string encodeUtf8(char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  std::string out;
  const auto add = [&out](char32_t v) { out.push_back(static_cast<char>(static_cast<std::uint8_t>(v))); };
  if (c < 0x80) {
    add(c);
  } else if (c < 0x800) {
    add(0xC0 | (c >> 6));
    add(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    add(0xE0 | (c >> 12));
    add(0x80 | ((c >> 6) & 0x3F));
    add(0x80 | (c & 0x3F));
  } else {
    add(0xF0 | (c >> 18));
    add(0x80 | ((c >> 12) & 0x3F));
    add(0x80 | ((c >> 6) & 0x3F));
    add(0x80 | (c & 0x3F));
  }
  return out;
}
