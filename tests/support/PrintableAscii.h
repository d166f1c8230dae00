#pragma once

#include <string>

// Every printable ASCII character, '<' last and doubled: a '<' followed by another or ending
// the text is a plain character rather than the start of a token.
inline std::string printableAscii() {
  std::string text;
  for (char c = ' '; c <= '~'; ++c) {
    if (c != '<') text += c;
  }
  return text + "<<";
}
