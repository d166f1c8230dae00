// A run's timing through the real main window on a private Xvfb: how evenly a fixed interval
// reaches the receiving client, how soon the stop key stops the typing (on an idle machine and
// with every core kept busy) and what of it comes after the press, and what a run waiting for
// its start costs. Prints "name value unit" lines on stdout.

#include <wx/evtloop.h>
#include <wx/timer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <functional>
#include <future>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchApp.h"
#include "UserChord.h"
#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "input/DesktopInput.h"
#include "frame/FrameEvents.h"
#include "frame/MyFrame.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "shell/FrameIds.h"
#include "support/ChildProcess.h"
#include "support/PersonKeyboard.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "tern/EventDispatcher.h"
#include "tern/QueueDispatch.h"
#include "tern/WxWake.h"
#include "tree/CommandTree.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int typings = 200;
constexpr int intervalMs = 10;
constexpr auto patience = std::chrono::seconds(120);
constexpr auto idleMeasure = std::chrono::seconds(20);

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double processCpuMs() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

// Runs the toolkit's own event loop, as the program does, until done holds (checked every few
// milliseconds by a timer) or the time is up; returns whether done holds.
bool runLoopUntil(const std::function<bool()>& done, Clock::duration limit) {
  wxEventLoop loop;
  const auto deadline = Clock::now() + limit;
  wxTimer check;
  check.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (done() || Clock::now() >= deadline) loop.Exit();
  });
  check.Start(5);
  loop.Run();
  return done();
}

// The toolkit's event loop left alone for a while, no timer of the benchmark's own in it.
void idleLoop(Clock::duration span) {
  wxEventLoop loop;
  wxTimer end;
  end.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { loop.Exit(); });
  end.StartOnce(static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(span).count()));
  loop.Run();
}

std::unique_ptr<BaseCommand> typingCommand(const std::string& text, std::int32_t runCount) {
  auto command = std::make_unique<BaseCommand>();
  command->setText(text);
  command->setRunCount(runCount);
  command->setInterval(intervalMs, 0);
  command->setIntervalMs(intervalMs);
  return command;
}

// A group starting at once that stops as configure says, with commands.
struct Project {
  GroupCommand group;
  std::vector<std::unique_ptr<BaseCommand>> commands;

  explicit Project(const std::function<void(GroupCommand&)>& configure) {
    group.setName("Bench");
    group.setStartDelay(0, 0);
    group.setStartDelayMs(0);
    group.setStopAfterDelay(false);
    configure(group);
  }

  void write(const std::filesystem::path& folder) const {
    ProjectFile::GroupBlock block{&group, {}};
    for (const auto& c : commands) block.commands.push_back(c.get());
    std::string text;
    ProjectFile::writeProject(text, {block});
    ProjectFile::writeFileSafely(folder / ProjectFile::fileName, text);
  }
};

// A group that types until the user stops it, then Escape as its final command.
void untilStopped(GroupCommand& group) {
  group.setDontStop(true);
  group.setFinalText("<ESC>");
}

// The main window on a project, its group selected.
class Window {
 public:
  Window(const Project& project, Settings& settings) {
    project.write(folder.path());
    frame = new MyFrame(folder.path(), settings, input);
    frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
      if (event.GetEventObject() == frame) frame = nullptr;
      event.Skip();
    });
    if (!runLoopUntil([this] { return frame->isProjectLoaded(); }, patience)) throw std::runtime_error("no project");
    CommandTree& tree = frame->commandTree();
    wxTreeItemIdValue cookie;
    tree.SelectItem(tree.GetFirstChild(tree.GetRootItem(), cookie));
  }

  ~Window() {
    if (frame == nullptr) return;
    frame->Close(true);
    runLoopUntil([this] { return frame == nullptr; }, patience);
  }

  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // "Run Current Group" from the menu, until the run has hidden the window.
  void run() {
    wxCommandEvent event(wxEVT_MENU, FrameId::runGroup);
    frame->GetEventHandler()->ProcessEvent(event);
    if (!runLoopUntil([this] { return frame->isRunning() && !frame->IsShown(); }, patience)) {
      throw std::runtime_error("the run did not start");
    }
  }

  [[nodiscard]] bool ended() const { return !frame->isRunning() && frame->IsShown(); }
  [[nodiscard]] MyFrame& window() const { return *frame; }

 private:
  TempDir folder;
  DesktopInput input;
  MyFrame* frame = nullptr;
};

// The recording client, once it has said that it is ready.
ChildProcess startRecorder() {
  ChildProcess::Options options;
  options.argv = {XRECORDER_PATH};
  options.out = ChildProcess::Output::capture;
  ChildProcess recorder(options);
  if (recorder.readLine(Clock::now() + patience) != "READY") throw std::runtime_error("xrecorder did not start");
  return recorder;
}

// The arrival time of every key press xrecorder reports, up to an Escape press.
std::vector<Clock::time_point> arrivals(ChildProcess& recorder) {
  std::vector<Clock::time_point> at;
  while (const auto line = recorder.readLine(Clock::now() + patience)) {
    if (line->starts_with("K 0xff1b ")) return at;
    if (line->starts_with("K ")) at.push_back(Clock::now());
  }
  throw std::runtime_error("xrecorder saw no Escape");
}

// The 99th percentile of |gap - interval| between consecutive typings of one command.
double intervalJitterP99(Settings& settings) {
  ChildProcess recorder = startRecorder();
  Project project([](GroupCommand& group) {
    group.setStopAfterRepeats(true);
    group.setRepeatCount(1);
    group.setFinalText("<ESC>");
  });
  project.commands.push_back(typingCommand("x", typings));
  Window window(project, settings);
  auto seen = std::async(std::launch::async, [&recorder] { return arrivals(recorder); });
  window.run();
  if (!runLoopUntil([&window] { return window.ended(); }, patience)) throw std::runtime_error("the run did not end");
  const std::vector<Clock::time_point> at = seen.get();
  if (at.size() != typings) throw std::runtime_error(std::to_string(at.size()) + " typings arrived");
  std::vector<double> deviations;
  for (std::size_t i = 1; i < at.size(); ++i) deviations.push_back(std::abs(milliseconds(at[i] - at[i - 1]) - intervalMs));
  std::sort(deviations.begin(), deviations.end());
  std::cerr << "interval deviation: median " << deviations[deviations.size() / 2] << " ms, max " << deviations.back()
            << " ms; mean gap " << milliseconds(at.back() - at.front()) / static_cast<double>(at.size() - 1) << " ms\n";
  return deviations[deviations.size() * 99 / 100];
}

// Loops that keep every core busy while they live, as a parallel build does; bounded, should the
// benchmark fail to end them.
class BusyCores {
 public:
  BusyCores() {
    const unsigned count = std::max(3U, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i) {
      loops.emplace_back([this] {
        const auto end = Clock::now() + std::chrono::seconds(120);
        while (!done.load(std::memory_order_relaxed) && Clock::now() < end) {
        }
      });
    }
  }
  ~BusyCores() {
    done.store(true);
    for (std::thread& loop : loops) loop.join();
  }
  BusyCores(const BusyCores&) = delete;
  BusyCores& operator=(const BusyCores&) = delete;

 private:
  std::atomic<bool> done{false};
  std::vector<std::thread> loops;
};

struct StopFigures {
  double latencyMs = 0;
  int charsAfter = 0;
  int modifiedAfter = 0;
};

// What xrecorder saw of a run typing x: the characters after the first press of one of the
// chord's modifiers (the run types none), those of them typed with a modifier down, and when
// the last character arrived; up to the final commands' Escape.
struct StopRecording {
  std::atomic<int> chars{0};
  int charsAfterChord = 0;
  int modified = 0;
  Clock::time_point lastCharAt{};

  void read(ChildProcess& recorder) {
    constexpr unsigned shiftControlAlt = 0x1 | 0x4 | 0x8;
    bool chordSeen = false;
    while (const auto line = recorder.readLine(Clock::now() + patience)) {
      std::istringstream in(*line);
      std::string kind;
      std::string keysym;
      std::string codePoint;
      std::string state;
      in >> kind >> keysym >> codePoint >> state;
      if (kind != "K") continue;
      const unsigned long sym = std::stoul(keysym, nullptr, 16);
      const unsigned long mods = std::stoul(state, nullptr, 16);
      if (sym == 0xff1b && (mods & shiftControlAlt & ~0x1UL) == 0) return;
      if (sym >= 0xffe1 && sym <= 0xffee) {
        chordSeen = true;
        continue;
      }
      lastCharAt = Clock::now();
      chars.fetch_add(1);
      if (chordSeen) ++charsAfterChord;
      if (chordSeen && (mods & shiftControlAlt) != 0) ++modified;
    }
    throw std::runtime_error("xrecorder saw no final Escape");
  }
};

// A run types a text of 100,000 characters every 10 ms; the user taps the stop key on a
// connection of its own in the middle of one. From the press to the last character arriving
// (none after the press counts as 0), and what arrived after it.
StopFigures stopFigures(Settings& settings) {
  ChildProcess recorder = startRecorder();
  Project project(untilStopped);
  project.commands.push_back(typingCommand(std::string(100'000, 'x'), 1'000'000));
  Window window(project, settings);
  StopRecording seen;
  auto reading = std::async(std::launch::async, [&] { seen.read(recorder); });
  // The window's thread is busy typing; the user is not.
  auto pressing = std::async(std::launch::async, [&seen] {
    const auto deadline = Clock::now() + patience;
    while (seen.chars.load() < 30'000 && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return pressChord(wxGetenv("DISPLAY"), {"Control_L", "Alt_L", "Shift_L", "Escape"});
  });
  window.run();
  if (!runLoopUntil([&window] { return window.ended(); }, patience)) throw std::runtime_error("the stop key did nothing");
  const Clock::time_point pressed = pressing.get();
  std::cerr << "stop: window back " << milliseconds(Clock::now() - pressed) << " ms after the press\n";
  reading.get();
  StopFigures figures;
  figures.latencyMs = std::max(0.0, milliseconds(seen.lastCharAt - pressed));
  figures.charsAfter = seen.charsAfterChord;
  figures.modifiedAfter = seen.modified;
  return figures;
}

// What xrecorder saw of a run typing x, from the moment a person's first key went down (the
// steady clock's nanoseconds, 0 before): the characters, those of them typed with a modifier down
// or typed as another than x, and when the last came; up to the final commands' Escape.
struct PersonRecording {
  std::atomic<int> chars{0};
  std::atomic<std::int64_t> personFromNs{0};
  int charsAfter = 0;
  int wrongAfter = 0;
  int wrong = 0;
  Clock::time_point lastCharAt{};

  void read(ChildProcess& recorder) {
    constexpr unsigned long shiftControlAlt = 0x1 | 0x4 | 0x8;
    while (const auto line = recorder.readLine(Clock::now() + patience)) {
      std::istringstream in(*line);
      std::string kind;
      std::string keysym;
      std::string codePoint;
      std::string state;
      in >> kind >> keysym >> codePoint >> state;
      if (kind != "K") continue;
      const unsigned long sym = std::stoul(keysym, nullptr, 16);
      const unsigned long mods = std::stoul(state, nullptr, 16);
      if (sym >= 0xffe1 && sym <= 0xffee) continue;
      if (sym == 0xff1b && (mods & shiftControlAlt) == 0) return;
      const Clock::time_point at = Clock::now();
      const bool isWrong = sym != 'x' || (mods & shiftControlAlt) != 0;
      const std::int64_t from = personFromNs.load();
      if (from != 0 && at.time_since_epoch().count() >= from) {
        ++charsAfter;
        if (isWrong) ++wrongAfter;
      }
      if (isWrong) ++wrong;
      lastCharAt = at;
      chars.fetch_add(1);
    }
    throw std::runtime_error("xrecorder saw no final Escape");
  }
};

// The person's keys on their own keyboard, each pressed stepMs after the last, all held holdMs
// after the last press, then let go of; once the run has typed startAfter characters. The moment
// the first key went down.
Clock::time_point pressAsAPerson(PersonRecording& seen, int startAfter, const std::vector<std::string>& keys,
                                 int stepMs, int holdMs) {
  PersonKeyboard person(wxGetenv("DISPLAY"));
  const auto deadline = Clock::now() + patience;
  while (seen.chars.load() < startAfter && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const Clock::time_point first = Clock::now();
  seen.personFromNs = first.time_since_epoch().count();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    person.press(keys[i]);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) person.release(*key);
  return first;
}

struct PersonFigures {
  double stopMs = 0;
  int wrongAfter = 0;
};

// A run types a text of 100,000 characters over and over; a person presses the stop key's chord
// one key after another, 40 ms apart, held 150 ms. From the first key's press to the last
// character, and the characters that came modified (or as another) from then on.
PersonFigures personStopFigures(Settings& settings) {
  ChildProcess recorder = startRecorder();
  Project project(untilStopped);
  project.commands.push_back(typingCommand(std::string(100'000, 'x'), 1'000'000));
  Window window(project, settings);
  PersonRecording seen;
  auto reading = std::async(std::launch::async, [&] { seen.read(recorder); });
  auto pressing = std::async(std::launch::async, [&seen] {
    return pressAsAPerson(seen, 30'000, {"Control_L", "Alt_L", "Shift_L", "Escape"}, 40, 150);
  });
  window.run();
  if (!runLoopUntil([&window] { return window.ended(); }, patience)) throw std::runtime_error("the chord did nothing");
  const Clock::time_point first = pressing.get();
  reading.get();
  return {std::max(0.0, milliseconds(seen.lastCharAt - first)), seen.wrongAfter};
}

// One pass of 100,000 characters; a person touches Shift for 100 ms in the middle of it. The
// characters that came out wrong (modified, another, lost or doubled).
int shiftTouchWrong(Settings& settings) {
  constexpr int length = 100'000;
  ChildProcess recorder = startRecorder();
  Project project([](GroupCommand& group) {
    group.setStopAfterRepeats(true);
    group.setRepeatCount(1);
    group.setFinalText("<ESC>");
  });
  project.commands.push_back(typingCommand(std::string(length, 'x'), 1));
  Window window(project, settings);
  PersonRecording seen;
  auto reading = std::async(std::launch::async, [&] { seen.read(recorder); });
  auto touching = std::async(std::launch::async, [&seen] { return pressAsAPerson(seen, length / 2, {"Shift_L"}, 0, 100); });
  window.run();
  if (!runLoopUntil([&window] { return window.ended(); }, patience)) throw std::runtime_error("the run did not end");
  touching.get();
  reading.get();
  return seen.wrong + std::abs(length - seen.chars.load());
}

// CPU time per minute of the whole program while its run waits for a start an hour ahead.
double idleCpuMsPerMinute(Settings& settings) {
  Project project([](GroupCommand& group) {
    group.setStartAtTime(true);
    group.setStartTime(wxDateTime::Now() + wxTimeSpan::Hour());
    group.setDontStop(true);
  });
  Window window(project, settings);
  window.run();
  const double before = processCpuMs();
  const auto start = Clock::now();
  idleLoop(idleMeasure);
  const double used = processCpuMs() - before;
  const double minutes = std::chrono::duration<double>(Clock::now() - start).count() / 60.0;
  Tern::Event::postOwned(std::make_unique<EndSequenceEvent>(&window.window()));
  if (!runLoopUntil([&window] { return window.ended(); }, patience)) throw std::runtime_error("the run did not end");
  return used / minutes;
}

int measure() {
  Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
  const RecordingDialogs dialogs;
  const TempDir settingsFolder;
  const std::unique_ptr<Settings> settings = Settings::file(settingsFolder.path() / "s.conf");
  const double jitter = intervalJitterP99(*settings);
  const StopFigures stop = stopFigures(*settings);
  const StopFigures busyStop = [&] {
    const BusyCores busy;
    return stopFigures(*settings);
  }();
  const PersonFigures person = personStopFigures(*settings);
  const PersonFigures busyPerson = [&] {
    const BusyCores busy;
    return personStopFigures(*settings);
  }();
  const int touchWrong = shiftTouchWrong(*settings);
  const double idle = idleCpuMsPerMinute(*settings);
  Tern::EventDispatcher::install(nullptr);
  for (const auto& message : dialogs.messages) std::cerr << "message: " << message.text << '\n';
  std::printf("run_interval_jitter_p99 %.2f ms\n", jitter);
  std::printf("run_stop_latency_ms %.1f ms\n", stop.latencyMs);
  std::printf("run_chars_after_stop %d chars\n", stop.charsAfter);
  std::printf("run_modified_after_stop %d chars\n", stop.modifiedAfter);
  std::printf("run_stop_latency_ms_busy %.1f ms\n", busyStop.latencyMs);
  std::printf("run_chars_after_stop_busy %d chars\n", busyStop.charsAfter);
  std::printf("run_modified_after_stop_busy %d chars\n", busyStop.modifiedAfter);
  std::printf("run_stop_human_after %.1f ms\n", person.stopMs);
  std::printf("run_stop_human_modified %d chars\n", person.wrongAfter);
  std::printf("run_stop_human_after_busy %.1f ms\n", busyPerson.stopMs);
  std::printf("run_stop_human_modified_busy %d chars\n", busyPerson.wrongAfter);
  std::printf("run_modifier_touch_wrong %d chars\n", touchWrong);
  std::printf("run_idle_cpu_ms_per_min %.1f ms\n", idle);
  return dialogs.messages.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const auto xvfb = BenchApp::startPrivateDisplay();
    wxApp::SetInstance(new BenchApp("zentak_bench_run", measure));
    return wxEntry(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "zentak_bench_run: " << error.what() << '\n';
    return 1;
  }
}
