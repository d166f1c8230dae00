#include "commands/StopTimeNotice.h"

#include "commands/GroupCommand.h"

namespace StopTimeNotice {

namespace {

// Dates as the user reads them whatever the locale: 2026-12-08 10:00.
std::string shown(const wxDateTime& when) { return when.Format("%Y-%m-%d %H:%M").utf8_string(); }

}  // namespace

std::optional<std::string> text(const GroupCommand& group, const wxDateTime& now) {
  if (!group.isStopAtTime()) return std::nullopt;
  const wxDateTime& stop = group.getStopTime();
  if (const wxDateTime& moved = group.getMovedStopTime(); moved.IsValid()) {
    const std::string why = moved.IsLaterThan(now) ? " is not after the start time" : " has passed";
    return "The stop time " + shown(moved) + why + ": this run stops at " + shown(stop) + ".";
  }
  if (!stop.IsValid() || stop.IsLaterThan(now)) return std::nullopt;
  return "The stop time " + shown(stop) + " has passed: this run stops " +
         (group.isFinishCommands() ? "after its first pass." : "at once.");
}

}  // namespace StopTimeNotice
