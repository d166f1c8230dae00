// Arbitrary bytes as a whole project file: reading never crashes, and whatever a successful
// read made, written and read again, gives the same records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "project/ProjectFile.h"

namespace {

// Keeps the records a read makes, each group with its commands.
struct Records final : ProjectFile::Sink {
  struct Group {
    std::unique_ptr<GroupCommand> record;
    std::vector<std::unique_ptr<BaseCommand>> commands;
  };
  std::vector<Group> groups;
  bool orphan = false;

  void group(std::unique_ptr<GroupCommand> g) override { groups.push_back({std::move(g), {}}); }
  void command(std::unique_ptr<BaseCommand> c) override {
    if (groups.empty()) {
      orphan = true;
      return;
    }
    groups.back().commands.push_back(std::move(c));
  }

  // The project's text. A group's start and stop times move to now when they are past at
  // reading, so both are pinned in the future to compare the rest.
  std::string text() {
    const wxDateTime start(1, wxDateTime::Jan, 2100);
    std::vector<ProjectFile::GroupBlock> blocks;
    for (const Group& g : groups) {
      g.record->setStartTime(start);
      g.record->setStopTime(start + wxDateSpan::Day());
      ProjectFile::GroupBlock block{g.record.get(), {}};
      for (const auto& c : g.commands) block.commands.push_back(c.get());
      blocks.push_back(std::move(block));
    }
    std::string out;
    ProjectFile::writeProject(out, blocks);
    return out;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  Records first;
  const ProjectFile::ReadOutcome outcome = ProjectFile::readProject(input, first);
  if (first.orphan) std::abort();
  if (outcome == ProjectFile::ReadOutcome::failed) return 0;
  const std::string written = first.text();
  Records again;
  if (ProjectFile::readProject(written, again) != ProjectFile::ReadOutcome::whole || again.text() != written) std::abort();
  return 0;
}
