#pragma once

#include <string>

// 200 distinct characters on no key of the US layout, ten times the spare keycodes of a usual
// keymap: CJK ideographs, and Greek and Cyrillic letters in both cases, whose pairs a server may
// put on one key with a case-sensitive key type.
inline std::u32string offLayoutChars() {
  std::u32string chars;
  for (char32_t c = U'\u4e00'; c < U'\u4e00' + 88; ++c) chars += c;
  for (char32_t c = U'\u0391'; c <= U'\u03a9'; ++c) {
    if (c != U'\u03a2') chars += {c, c + 0x20};
  }
  for (char32_t c = U'\u0410'; c < U'\u0430'; ++c) chars += {c, c + 0x20};
  return chars;
}
