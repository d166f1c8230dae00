#include "ProgramOnCompositor.h"

#include <chrono>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "project/ProjectFile.h"
#include "support/WaylandServer.h"

namespace {

// Long enough for the compositor to hand the focus back to the window the run types into once
// the program's window is hidden, as a user leaves it before typing starts.
constexpr int startDelayMs = 2000;

void writeProject(const std::filesystem::path& folder, const std::string& text, const std::string& finalText) {
  GroupCommand group;
  group.setName("Type");
  group.setStartDelay(startDelayMs, 0);
  group.setStartDelayMs(startDelayMs);
  group.setStopAfterDelay(false);
  group.setDontStop(false);
  group.setStopAfterRepeats(true);
  group.setRepeatCount(1);
  group.setFinalText(finalText);
  BaseCommand command;
  command.setText(text);
  command.setRunCount(1);
  command.setInterval(1, 1);
  command.setIntervalMs(1000);
  std::string file;
  ProjectFile::writeProject(file, {{&group, {&command}}});
  ProjectFile::writeFileSafely(folder / ProjectFile::fileName, file);
}

}  // namespace

ProgramOnCompositor::ProgramOnCompositor(const WaylandServer& server, const Options& options)
    : compositor(server), bus(options.busAddress) {
  std::filesystem::copy_file(ZENTAK_PROGRAM_PATH, program);
  writeProject(dir.path(), options.text, options.finalText);
  std::filesystem::create_directories(dir.path() / "config" / "Velmora");
  std::ofstream(dir.path() / "config" / "Velmora" / "Zentak.conf") << "inputBackend=" << options.inputBackend << '\n';
  copy.emplace(compositor.spawn(commandLine({})));
}

// The window may show before the copy listens for requests: a request it does not answer yet
// is asked again.
void ProgramOnCompositor::startRun() const {
  ChildProcess request = compositor.spawn(commandLine({"--run", "Type"}));
  if (request.wait(ChildProcess::Clock::now() + std::chrono::seconds(60)) != 0) {
    throw std::runtime_error("the running copy did not start the run");
  }
}

int ProgramOnCompositor::stopRun() const {
  ChildProcess request = compositor.spawn(commandLine({"--stop"}));
  return request.wait(ChildProcess::Clock::now() + std::chrono::seconds(60)).value_or(-1);
}

// The toolkit on the compositor, never on an X display around the test; no accessibility bus;
// settings and data in the test's folder.
std::vector<std::string> ProgramOnCompositor::commandLine(std::vector<std::string> arguments) const {
  std::vector<std::string> line{"env",
                                "GDK_BACKEND=wayland",
                                "DISPLAY=",
                                "NO_AT_BRIDGE=1",
                                "GSETTINGS_BACKEND=memory",
                                "HOME=" + dir.path().string(),
                                "XDG_CONFIG_HOME=" + (dir.path() / "config").string(),
                                "XDG_DATA_HOME=" + (dir.path() / "data").string()};
  if (!bus.empty()) line.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus);
  line.push_back(program.string());
  line.insert(line.end(), arguments.begin(), arguments.end());
  return line;
}
