#pragma once

#include <map>
#include <string>

// The environment the toolkit starts in: settings Zentak gives it unless the user has set them.
namespace ToolkitEnvironment {

// The variables to add to environment (a null-ended list of "NAME=value" entries, as environ
// holds them), by name; a variable the environment holds already, even empty, is the user's.
[[nodiscard]] std::map<std::string, std::string> additions(const char* const* environment);

// Adds them to this process's environment. Call before the toolkit starts, while no other
// thread runs.
void prepare();

}  // namespace ToolkitEnvironment
