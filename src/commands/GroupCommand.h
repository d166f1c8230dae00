#pragma once

#include <wx/datetime.h>

#include <memory>
#include <vector>

#include "commands/BaseCommand.h"

// A named group of commands, the unit a user runs: its start option (a delay or a date and
// time), its stop option (a date and time, a delay, a number of passes, or never), whether a
// timed stop lets the current pass finish, and the final commands. Its commands are the child
// items of its tree item, or, until the tree first opens the group, held by the group itself.
// Of the command fields it uses the name and the key-action list, which holds the final
// commands. UI thread only.
class GroupCommand : public BaseCommand {
 public:
  // Number of fields of a group record, the command count in front not included.
  static constexpr std::size_t recordFields = 25;

  GroupCommand();
  ~GroupCommand() override;

  // Reads a group line: the command count, then the 25 fields. A start time in the past
  // becomes now; a stop time not after the start becomes the midnight that follows.
  void load(std::string_view record) override;
  // Appends the 25 fields, without the command count and without a line end.
  void save(std::string& out) const override;

  // A new group equal to this one as its record stores it, without its commands (they are the
  // item's children and are copied one by one).
  [[nodiscard]] std::unique_ptr<GroupCommand> clone() const;
  // The same record exactly, its times too (a clone moves a past start time as reading does);
  // without its commands.
  [[nodiscard]] std::unique_ptr<GroupCommand> copy() const;

  // Stores the final commands' editor text; the key-action list holds its translation.
  void setFinalText(std::string_view editorText);
  [[nodiscard]] std::string displayFinalText() const;
  [[nodiscard]] const std::string& getFinalText() const { return finalText; }

  [[nodiscard]] bool isStartAtTime() const { return startAtTime; }
  void setStartAtTime(bool value) { startAtTime = value; }
  [[nodiscard]] const wxDateTime& getStartTime() const { return startTime; }
  void setStartTime(const wxDateTime& value) { startTime = value; }
  [[nodiscard]] std::int32_t getStartDelayMs() const { return startDelayMs; }
  void setStartDelayMs(std::int32_t value) { startDelayMs = value; }
  void setStartDelay(std::int32_t value, std::int16_t unit) { startDelay.set(value, unit); }
  void getStartDelay(std::int32_t& value, std::int16_t& unit) const { startDelay.get(value, unit); }

  [[nodiscard]] bool isStopAtTime() const { return stopAtTime; }
  void setStopAtTime(bool value) { stopAtTime = value; }
  [[nodiscard]] bool isStopAfterDelay() const { return stopAfterDelay; }
  void setStopAfterDelay(bool value) { stopAfterDelay = value; }
  [[nodiscard]] bool isStopAfterRepeats() const { return stopAfterRepeats; }
  void setStopAfterRepeats(bool value) { stopAfterRepeats = value; }
  [[nodiscard]] bool isDontStop() const { return dontStop; }
  void setDontStop(bool value) { dontStop = value; }
  [[nodiscard]] bool isFinishCommands() const { return finishCommands; }
  void setFinishCommands(bool value) { finishCommands = value; }

  [[nodiscard]] const wxDateTime& getStopTime() const { return stopTime; }
  // Setting another stop time forgets the one loading moved.
  void setStopTime(const wxDateTime& value);
  // The stop time the record held when loading moved it past the start; invalid when loading
  // kept it, and once another stop time is set.
  [[nodiscard]] const wxDateTime& getMovedStopTime() const { return movedStopTime; }
  [[nodiscard]] std::int32_t getStopDelayMs() const { return stopDelayMs; }
  void setStopDelay(std::int32_t ms) { stopDelayMs = ms; }
  void setStopDelayEditor(std::int32_t value, std::int16_t unit) { stopDelay.set(value, unit); }
  void getStopDelayEditor(std::int32_t& value, std::int16_t& unit) const { stopDelay.get(value, unit); }

  [[nodiscard]] std::int32_t getRepeatCount() const { return repeatCount; }
  void setRepeatCount(std::int32_t value) { repeatCount = value; }
  [[nodiscard]] std::int32_t getCommandCount() const { return commandCount; }
  void setCommandCount(std::int32_t value) { commandCount = value; }

  // Commands of the group that have no tree item yet, in order, ahead of any that have: the
  // tree makes a group's command items when the group is first opened, so that the collapsed
  // groups of a large project hold their records only. Deleted with the group.
  [[nodiscard]] std::vector<std::unique_ptr<BaseCommand>>& unopenedCommands() { return unopened; }
  [[nodiscard]] const std::vector<std::unique_ptr<BaseCommand>>& unopenedCommands() const { return unopened; }

 private:
  [[nodiscard]] const std::string& keyText() const override { return finalText; }

  bool startAtTime = false;
  wxDateTime startTime;
  std::int32_t startDelayMs = 120000;
  ShownInterval startDelay{2, 2};
  bool stopAtTime = false;
  bool stopAfterDelay = true;
  bool stopAfterRepeats = false;
  bool dontStop = false;
  bool finishCommands = false;
  wxDateTime stopTime;
  wxDateTime movedStopTime;
  std::int32_t stopDelayMs = 900000;
  ShownInterval stopDelay{15, 2};
  std::int32_t repeatCount = 10;
  std::int32_t commandCount = 0;
  std::string finalText;
  std::vector<std::unique_ptr<BaseCommand>> unopened;
};
