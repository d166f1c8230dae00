// The main window on a private Xvfb: how long it takes to come up empty, to come up with a
// project of 1,000 groups of 100 commands and to save that project, and how much resident memory
// the project holds. Prints "name value unit" lines on stdout; diagnostics go to stderr.

#include <wx/app.h>
#include <wx/init.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "BenchApp.h"
#include "DrawWatch.h"
#include "ProcessFigures.h"
#include "ToolkitFloor.h"
#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "input/DesktopInput.h"
#include "frame/editors/GroupPanel.h"
#include "frame/MyFrame.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "support/ChildProcess.h"
#include "support/GuiTest.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"
#include "tern/EventDispatcher.h"
#include "tern/QueueDispatch.h"
#include "tern/WxWake.h"
#include "tree/CommandTree.h"

namespace {

using Clock = std::chrono::steady_clock;
using ProcessFigures::milliseconds;
using ProcessFigures::processorMilliseconds;
using ProcessFigures::residentMegabytes;

constexpr int groupCount = 1'000;
constexpr int commandsPerGroup = 100;
constexpr int saveRounds = 5;
constexpr auto patience = std::chrono::seconds(120);
// Run as "zentak_bench_frame --write-project FOLDER", the program only writes the large project;
// as "zentak_bench_frame --measure EMPTY LARGE", it measures the windows on those project folders;
// as "zentak_bench_frame --measure-toolkit", the toolkit's least window.
constexpr std::string_view writeProjectOption = "--write-project";
constexpr std::string_view measureOption = "--measure";
constexpr std::string_view measureToolkitOption = "--measure-toolkit";

// Texts of the kind users type: words, line breaks, keys and key combinations, mouse clicks.
std::string commandText(int group, int command) {
  const std::string n = std::to_string(group * commandsPerGroup + command);
  switch (command % 5) {
    case 0:
      return "Hello<ENTER>world " + n;
    case 1:
      return "Dear customer,\r\nthank you for order #" + n + ".\r\nKind regards<TAB>Sales";
    case 2:
      return "<CTRL-DOWN>a<CTRL-UP><DELETE>" + n + "<ENTER>";
    case 3:
      return "<MOUSE-LEFT-CLICK 640 480>buy " + n + "<F5>";
    default:
      return "/say Ready for round " + n + "!<ENTER>";
  }
}

// Writes the large project into folder. Run in a process of its own, so that the records it
// makes leave nothing behind in the measured one.
int writeLargeProject(const std::filesystem::path& folder) {
  std::vector<std::unique_ptr<GroupCommand>> groups;
  std::vector<std::unique_ptr<BaseCommand>> commands;
  std::vector<ProjectFile::GroupBlock> blocks;
  groups.reserve(groupCount);
  commands.reserve(static_cast<std::size_t>(groupCount) * commandsPerGroup);
  for (int g = 0; g < groupCount; ++g) {
    auto group = std::make_unique<GroupCommand>();
    group->setName("Group " + std::to_string(g + 1));
    group->setRepeatCount(g % 50 + 1);
    group->setStopAfterRepeats(g % 2 == 0);
    group->setFinalText(g % 3 == 0 ? "<ENTER>Done " + std::to_string(g) : std::string());
    ProjectFile::GroupBlock block{group.get(), {}};
    for (int c = 0; c < commandsPerGroup; ++c) {
      auto command = std::make_unique<BaseCommand>();
      command->setName("Command " + std::to_string(c + 1));
      command->setText(commandText(g, c));
      command->setRunCount(c % 20 + 1);
      command->setRandomInterval(c % 7 == 0);
      command->setEnabled(c % 11 != 0);
      block.commands.push_back(command.get());
      commands.push_back(std::move(command));
    }
    blocks.push_back(std::move(block));
    groups.push_back(std::move(group));
  }
  std::string text;
  ProjectFile::writeProject(text, blocks);
  ProjectFile::writeFileSafely(folder / ProjectFile::fileName, text);
  std::cerr << "project: " << text.size() << " bytes\n";
  return 0;
}

// Installs the event dispatcher the main window posts through for the object's lifetime.
class InstalledDispatcher {
 public:
  InstalledDispatcher() { Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake)); }
  ~InstalledDispatcher() { Tern::EventDispatcher::install(nullptr); }
  InstalledDispatcher(const InstalledDispatcher&) = delete;
  InstalledDispatcher& operator=(const InstalledDispatcher&) = delete;
};

// Lets the event loop run until cond holds; throws when it does not within the patience.
void waitFor(const std::function<bool()>& cond, const char* what) {
  if (!GuiTest::waitFor(cond, std::chrono::duration_cast<std::chrono::milliseconds>(patience))) {
    throw std::runtime_error(std::string("timed out waiting for ") + what);
  }
}

// One main window on a project folder, closed (which saves the project) and waited for on
// destruction.
class OpenWindow {
 public:
  OpenWindow(const std::filesystem::path& folder, Settings& settings)
      : frame(new MyFrame(folder, settings, input)), draws(*frame) {
    // Texts translate with the live X keyboard layout, as in the program.
    BaseCommand::setKeyParse([this](std::string_view text, KeyActions& list) { input.parseKeys(text, list); });
    frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
      if (event.GetEventObject() == frame) frame = nullptr;
      event.Skip();
    });
  }

  ~OpenWindow() {
    try {
      close();
    } catch (const std::exception& error) {
      std::cerr << "closing the window: " << error.what() << '\n';
    }
    BaseCommand::setKeyParse({});
  }

  OpenWindow(const OpenWindow&) = delete;
  OpenWindow& operator=(const OpenWindow&) = delete;

  // Waits until the window is up with the project loaded, a group selected and every part on
  // screen drawn; returns the time from the window's creation to the end of that drawing.
  Clock::duration waitShown() {
    std::optional<Clock::time_point> drawn;
    const bool shown = GuiTest::waitFor(
        [this, &drawn] {
          if (frame == nullptr || !frame->IsShown() || !frame->isProjectLoaded()) return false;
          const wxTreeItemId selected = frame->commandTree().GetSelection();
          if (!selected.IsOk() || selected == frame->commandTree().GetRootItem()) return false;
          drawn = draws.fullyDrawn();
          return drawn.has_value();
        },
        std::chrono::duration_cast<std::chrono::milliseconds>(patience));
    if (!shown) {
      std::string parts;
      if (frame != nullptr) {
        for (const wxString& part : draws.undrawn()) parts.append(" ").append(part.ToStdString());
      }
      throw std::runtime_error("timed out waiting for the window to be drawn; not drawn:" + parts);
    }
    return *drawn - created;
  }

  // Closes the window and returns how long it took until it was destroyed.
  Clock::duration close() {
    if (frame == nullptr) return {};
    const auto start = Clock::now();
    frame->Close(true);
    waitFor([this] { return frame == nullptr; }, "the window to close");
    return Clock::now() - start;
  }

  [[nodiscard]] MyFrame& window() const { return *frame; }
  [[nodiscard]] Clock::time_point creationTime() const { return created; }

 private:
  // Taken before the window is made: members start in this order.
  Clock::time_point created = Clock::now();
  DesktopInput input;
  MyFrame* frame;
  DrawWatch draws;
};

struct Figures {
  double startupMs = 0;
  double startupProcessorMs = 0;
  std::optional<double> processStartupMs;
  double loadMs = 0;
  double saveMs = 0;
  double closeMs = 0;
  double residentMb = 0;
  double emptyResidentMb = 0;
};

class FrameBench {
 public:
  FrameBench(std::filesystem::path emptyProjectFolder, std::filesystem::path largeProjectFolder,
             std::optional<Clock::time_point> processStarted)
      : emptyFolder(std::move(emptyProjectFolder)),
        largeFolder(std::move(largeProjectFolder)),
        started(processStarted) {}

  int measure() {
    const InstalledDispatcher dispatcher;
    const RecordingDialogs dialogs;
    const TempDir settingsFolder;
    const std::unique_ptr<Settings> settings = Settings::file(settingsFolder.path() / "s.conf");
    Figures figures;

    {
      OpenWindow empty(emptyFolder, *settings);
      figures.startupMs = milliseconds(empty.waitShown());
      figures.startupProcessorMs = processorMilliseconds();
      if (started) figures.processStartupMs = milliseconds(empty.creationTime() - *started) + figures.startupMs;
      GuiTest::flushEvents();
      figures.emptyResidentMb = residentMegabytes();
    }

    {
      OpenWindow large(largeFolder, *settings);
      figures.loadMs = milliseconds(large.waitShown());
      GuiTest::flushEvents();
      figures.residentMb = residentMegabytes() - figures.emptyResidentMb;
      const CommandTree& tree = large.window().commandTree();
      const std::size_t groups = tree.GetChildrenCount(tree.GetRootItem(), false);
      if (groups != groupCount) throw std::runtime_error("the large project loaded " + std::to_string(groups) + " groups");
      std::array<double, saveRounds> saves{};
      for (double& save : saves) {
        const auto start = Clock::now();
        large.window().saveProject();
        save = milliseconds(Clock::now() - start);
      }
      // Collapsed groups hold their commands without items: the saved lines count them all.
      const std::string saved = ProjectFile::readFile(largeFolder / ProjectFile::fileName);
      const auto lines = static_cast<std::size_t>(std::count(saved.begin(), saved.end(), '\n'));
      if (lines != 1 + static_cast<std::size_t>(groupCount) * (commandsPerGroup + 1)) {
        throw std::runtime_error("the large project saved " + std::to_string(lines) + " lines");
      }
      std::sort(saves.begin(), saves.end());
      figures.saveMs = saves[saves.size() / 2];
      figures.closeMs = milliseconds(large.close());
    }

    if (!dialogs.messages.empty()) {
      for (const auto& message : dialogs.messages) std::cerr << "message: " << message.text << '\n';
      return 1;
    }
    std::printf("startup_ms %.1f ms\n", figures.startupMs);
    if (figures.processStartupMs) std::printf("startup_process_ms %.0f ms\n", *figures.processStartupMs);
    std::printf("startup_process_cpu_ms %.0f ms\n", figures.startupProcessorMs);
    std::printf("startup_empty_rss_mb %.1f MB\n", figures.emptyResidentMb);
    std::printf("project_load_100k_ms %.1f ms\n", figures.loadMs);
    std::printf("project_save_100k_ms %.1f ms\n", figures.saveMs);
    std::printf("project_close_100k_ms %.1f ms\n", figures.closeMs);
    std::printf("project_100k_rss_mb %.1f MB\n", figures.residentMb);
    return 0;
  }

 private:
  std::filesystem::path emptyFolder;
  std::filesystem::path largeFolder;
  std::optional<Clock::time_point> started;
};

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 3 && argv[1] == writeProjectOption) return writeLargeProject(argv[2]);
    int toolkitArgc = 1;
    if (argc == 4 && argv[1] == measureOption) {
      // The measured process: from its start to the empty window drawn, then the large project.
      FrameBench bench(argv[2], argv[3], ProcessFigures::startTime());
      wxApp::SetInstance(new BenchApp("zentak_bench_frame", [&bench] { return bench.measure(); }));
      return wxEntry(toolkitArgc, argv);
    }
    if (argc == 2 && argv[1] == measureToolkitOption) {
      ToolkitFloor floor(ProcessFigures::startTime());
      wxApp::SetInstance(new BenchApp("zentak_bench_frame", [&floor] { return floor.measure(); }));
      return wxEntry(toolkitArgc, argv);
    }

    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const TempDir emptyFolder;
    const TempDir largeFolder;
    ChildProcess::Options writing;
    writing.argv = {self, std::string(writeProjectOption), largeFolder.path().string()};
    ChildProcess writer(writing);
    if (writer.wait(Clock::now() + patience) != 0) throw std::runtime_error("writing the large project failed");

    // The project writing and the X server come before the measured process starts, as the
    // desktop and the user's files are there before a user starts the program.
    const auto xvfb = BenchApp::startPrivateDisplay();
    const std::vector<std::vector<std::string>> measurings{
        {self, std::string(measureOption), emptyFolder.path().string(), largeFolder.path().string()},
        {self, std::string(measureToolkitOption)}};
    for (const std::vector<std::string>& arguments : measurings) {
      ChildProcess::Options measuring;
      measuring.argv = arguments;
      measuring.env = {{std::string(ProcessFigures::startedAtVariable),
                        std::to_string(Clock::now().time_since_epoch().count())}};
      ChildProcess measurer(measuring);
      const std::optional<int> status = measurer.wait(Clock::now() + 4 * patience);
      if (!status) throw std::runtime_error("a measuring process did not end");
      if (*status != 0) return *status;
    }
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "zentak_bench_frame: " << error.what() << '\n';
    return 1;
  }
}
