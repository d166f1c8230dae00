#include "support/GtkTextWindow.h"

#include <stdexcept>
#include <vector>

#include "support/WaylandServer.h"

namespace {

std::vector<std::string> argvFor(const std::optional<std::string>& clipboard) {
  std::vector<std::string> argv{"env", "GDK_BACKEND=wayland", GTK_TEXT_CLIENT_PATH};
  if (clipboard) {
    argv.emplace_back("--clipboard");
    argv.push_back(*clipboard);
  }
  return argv;
}

std::string unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
  }
  return out;
}

}  // namespace

GtkTextWindow::GtkTextWindow(const WaylandServer& server, const std::optional<std::string>& clipboard)
    : child(server.spawn(argvFor(clipboard), ChildProcess::Output::capture)) {
  skipTo(clipboard ? "clipboard-set" : "focus");
}

std::string GtkTextWindow::skipTo(const std::string& prefix) {
  const auto deadline = Clock::now() + patience;
  while (const auto line = child.readLine(deadline)) {
    if (line->starts_with(prefix)) return line->substr(prefix.size());
  }
  throw std::runtime_error("the text view reported no \"" + prefix + "\" in time");
}

std::string GtkTextWindow::readUntilEscape() { return unescaped(skipTo("text: ")); }
