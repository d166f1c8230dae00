#pragma once

#include <string>

// The physical reference for typing into a client: one keycode per character from the live map
// (Shift around the characters on the key's second level), every event sent back to back and
// flushed once. No parsing, no player, no spare bindings: what any injector into that client can
// reach at best. text holds printable ASCII and stored line breaks (the byte 3); an Escape press
// follows it. Throws std::runtime_error when the display cannot be opened.
void typeWithBareXTest(const std::string& displayName, const std::string& text);
