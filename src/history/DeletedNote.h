#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What the status bar says after a delete: what went, and the key that brings it back
// ("Deleted group "Hunt" with 12 commands — Ctrl+Z brings it back").
namespace DeletedNote {

std::string group(std::string_view name, std::size_t commands, std::string_view undoKey);
std::string command(std::string_view name, std::string_view undoKey);

}  // namespace DeletedNote
