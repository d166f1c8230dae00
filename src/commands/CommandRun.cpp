#include "commands/CommandRun.h"

namespace {

// Only the UI thread runs groups.
CommandRun* inProgress = nullptr;

}  // namespace

CommandRun* CommandRun::current() { return inProgress; }

void CommandRun::setCurrent(CommandRun* run) { inProgress = run; }
