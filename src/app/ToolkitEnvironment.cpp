#include "app/ToolkitEnvironment.h"

#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace {

// GTK probes OpenGL as it opens the display (tens of milliseconds and the driver's tens of
// megabytes resident), and Zentak draws nothing with it.
const std::map<std::string, std::string> defaults{{"GDK_GL", "disable"}};

bool holds(const char* const* environment, std::string_view name) {
  for (const char* const* entry = environment; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    if (text.size() > name.size() && text.starts_with(name) && text[name.size()] == '=') return true;
  }
  return false;
}

}  // namespace

std::map<std::string, std::string> ToolkitEnvironment::additions(const char* const* environment) {
  std::map<std::string, std::string> added;
  for (const auto& [name, value] : defaults) {
    if (!holds(environment, name)) added.emplace(name, value);
  }
  return added;
}

void ToolkitEnvironment::prepare() {
  for (const auto& [name, value] : additions(environ)) setenv(name.c_str(), value.c_str(), 0);
}
