// How soon the real program stops typing a long text when the command line or a signal asks it
// to, on a private Xvfb: from zentak --stop started (or SIGTERM sent) to the last character the
// recording client saw, during a text of a million characters.

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <future>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "project/ProjectFile.h"
#include "support/ChildProcess.h"
#include "support/ProgramEnvironment.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto patience = std::chrono::seconds(60);
constexpr std::size_t textLength = 1'000'000;
// The stop is asked for this far into the text, well before its end.
constexpr int charsBeforeStop = 30'000;

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One group, "Long", typing a million x's until it is stopped, then Escape as its final command.
void writeProject(const std::filesystem::path& folder) {
  GroupCommand group;
  group.setName("Long");
  group.setStartDelay(0, 0);
  group.setStartDelayMs(0);
  group.setStopAfterDelay(false);
  group.setDontStop(true);
  group.setFinalText("<ESCAPE>");
  BaseCommand command;
  command.setText(std::string(textLength, 'x'));
  command.setRunCount(1);
  command.setIntervalMs(1000);
  std::string text;
  ProjectFile::writeProject(text, {{&group, {&command}}});
  ProjectFile::writeFileSafely(folder / ProjectFile::fileName, text);
}

// What xrecorder saw: characters as they come, and when the last one came, up to the Escape.
struct Arrivals {
  std::atomic<int> chars{0};
  Clock::time_point last{};

  void read(ChildProcess& recorder) {
    while (const auto line = recorder.readLine(Clock::now() + patience)) {
      if (line->starts_with("K 0xff1b ")) return;
      if (!line->starts_with("K ")) continue;
      last = Clock::now();
      chars.fetch_add(1);
    }
    throw std::runtime_error("xrecorder saw no final Escape");
  }
};

struct Figures {
  double stopMs = 0;
  int charsAfter = 0;
};

class Program {
 public:
  Program() {
    std::filesystem::copy_file(ZENTAK_PROGRAM_PATH, path);
    writeProject(dir.path());
  }

  [[nodiscard]] ChildProcess start(const std::vector<std::string>& arguments) const {
    ChildProcess::Options options;
    options.argv = {path.string()};
    options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
    options.env = programOnDisplay(display.name(), dir.path());
    options.out = ChildProcess::Output::discard;
    options.err = ChildProcess::Output::discard;
    return ChildProcess(options);
  }

  [[nodiscard]] int ask(const std::vector<std::string>& arguments) const {
    return start(arguments).wait(Clock::now() + patience).value_or(-1);
  }

  enum class Stop : std::uint8_t { commandLine, sigterm };

  // The running copy, its window shown, then its run of "Long" under way, stopped as asked; the
  // figures from the moment the stop was asked for.
  Figures measure(Stop how) const {
    ChildProcess recorder = display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture);
    if (recorder.readLine(Clock::now() + patience) != "READY") throw std::runtime_error("xrecorder did not start");
    ChildProcess copy = start({});
    const auto deadline = Clock::now() + patience;
    while (display.run({"xdotool", "search", "--onlyvisible", "--name", "^Zentak v"}, std::chrono::seconds(30),
                       ChildProcess::Output::discard) != 0) {
      if (Clock::now() > deadline) throw std::runtime_error("the window did not show");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Arrivals seen;
    auto reading = std::async(std::launch::async, [&] { seen.read(recorder); });
    if (ask({"--run", "Long"}) != 0) throw std::runtime_error("the run did not start");
    while (seen.chars.load() < charsBeforeStop) {
      if (Clock::now() > deadline) throw std::runtime_error("the run typed nothing");
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int before = seen.chars.load();
    const Clock::time_point asked = Clock::now();
    if (how == Stop::commandLine) {
      if (ask({"--stop"}) != 0) throw std::runtime_error("zentak --stop failed");
    } else if (::kill(copy.pid(), SIGTERM) != 0) {
      throw std::runtime_error("SIGTERM could not be sent");
    }
    reading.get();
    return {std::max(0.0, milliseconds(seen.last - asked)), seen.chars.load() - before};
  }

 private:
  const XvfbServer display;
  const TempDir dir;
  const std::filesystem::path path = dir.path() / "zentak";
};

Figures median(Program::Stop how) {
  std::vector<Figures> runs;
  for (int i = 0; i < 3; ++i) runs.push_back(Program().measure(how));
  std::sort(runs.begin(), runs.end(), [](const Figures& a, const Figures& b) { return a.stopMs < b.stopMs; });
  return runs[1];
}

}  // namespace

int main() {
  try {
    const Figures cli = median(Program::Stop::commandLine);
    const Figures sigterm = median(Program::Stop::sigterm);
    std::printf("run_cli_stop_ms %.1f ms\n", cli.stopMs);
    std::printf("run_cli_chars_after %d chars\n", cli.charsAfter);
    std::printf("run_sigterm_stop_ms %.1f ms\n", sigterm.stopMs);
    std::printf("run_sigterm_chars_after %d chars\n", sigterm.charsAfter);
  } catch (const std::exception& error) {
    std::cerr << "zentak_bench_stop: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
