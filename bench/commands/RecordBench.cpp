// Records per second for saving and loading 100,000 commands. Prints "name value unit" lines.

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands/BaseCommand.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t commandCount = 100'000;
constexpr int rounds = 5;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main() {
  std::vector<std::unique_ptr<BaseCommand>> commands;
  commands.reserve(commandCount);
  for (std::size_t i = 0; i < commandCount; ++i) {
    auto command = std::make_unique<BaseCommand>();
    command->setName("Command " + std::to_string(i));
    command->setText("Hello <ENTER>world " + std::to_string(i) + "<MOUSE-LEFT-CLICK 10 20>");
    command->setRunCount(static_cast<std::int32_t>(i % 100));
    commands.push_back(std::move(command));
  }

  double bestSave = 1e9;
  std::vector<std::string> lines(commandCount);
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    for (std::size_t i = 0; i < commandCount; ++i) {
      lines[i].clear();
      commands[i]->save(lines[i]);
    }
    bestSave = std::min(bestSave, seconds(Clock::now() - start));
  }

  // Each round loads into fresh commands, as reading a project does.
  double bestLoad = 1e9;
  for (int round = 0; round < rounds; ++round) {
    std::vector<std::unique_ptr<BaseCommand>> loaded;
    loaded.reserve(commandCount);
    for (std::size_t i = 0; i < commandCount; ++i) loaded.push_back(std::make_unique<BaseCommand>());
    const auto start = Clock::now();
    for (std::size_t i = 0; i < commandCount; ++i) loaded[i]->load(lines[i]);
    bestLoad = std::min(bestLoad, seconds(Clock::now() - start));
  }

  std::printf("record_save_per_s %.0f records/s\n", static_cast<double>(commandCount) / bestSave);
  std::printf("record_load_per_s %.0f records/s\n", static_cast<double>(commandCount) / bestLoad);
  return 0;
}
