#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Decodes the character that starts at pos and moves pos past it. A byte that starts no valid
// UTF-8 sequence (overlong, surrogate, beyond U+10FFFF or cut short) stands for itself as Latin-1,
// except that 0x80 to 0x9F read as Windows-1252 (0x80 is the euro sign).
char32_t decodeUtf8(std::string_view text, std::size_t& pos);

// The UTF-8 encoding of a code point; an invalid one encodes as U+FFFD.
std::string encodeUtf8(char32_t c);
