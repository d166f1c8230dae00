#pragma once

#include <cstddef>
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

// Printable ASCII without the doubled '<', repeated to at least size characters: a long text
// that is nothing but plain characters, for typing floods.
inline std::string printableFlood(std::size_t size) {
  const std::string plain = printableAscii().substr(0, printableAscii().size() - 2);
  std::string text;
  while (text.size() < size) text += plain;
  return text;
}
