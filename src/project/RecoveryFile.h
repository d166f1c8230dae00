#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>

// Where a project goes when it cannot be saved in its own folder at exit: a file of its own in
// the user's data folder, so that the session's work survives a read-only or full disk.
namespace RecoveryFile {

// $XDG_DATA_HOME/Zentak, or ~/.local/share/Zentak when that is unset or not absolute. Throws
// std::system_error when neither is known. Any thread.
std::filesystem::path folder();

// Writes the project text to a new file in folder() named after the local time
// ("Zentak-recovered-20261208-001500.ini", "-2", "-3", ... when taken), making the folder as
// needed, and returns its path. Throws std::system_error when it cannot. Any thread.
std::filesystem::path write(std::string_view text, std::chrono::system_clock::time_point when);

}  // namespace RecoveryFile
