#pragma once

#include <chrono>
#include <string>
#include <vector>

// A user's key chord, pressed on a connection of its own as a person's keyboard would send it:
// the keys (X keysym names) pressed in order, then let go of in reverse. Returns the moment the
// server had taken the last press. Throws std::runtime_error when the display cannot be opened.
std::chrono::steady_clock::time_point pressChord(const std::string& displayName, const std::vector<std::string>& keys);
