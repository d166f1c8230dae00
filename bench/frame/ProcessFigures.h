#pragma once

#include <chrono>
#include <optional>
#include <string_view>

// What a window benchmark reads of its own process: resident memory, processor time, and the
// moment its launcher started it.
namespace ProcessFigures {

using Clock = std::chrono::steady_clock;

// A measured process is started by the bench's first one, which passes the time it started it
// (steady clock, nanoseconds; the same clock in every process) in this variable.
inline constexpr std::string_view startedAtVariable = "ZENTAK_BENCH_STARTED_AT_NS";

double milliseconds(Clock::duration d);
// Resident memory of this process, from the kernel's page counts.
double residentMegabytes();
// Processor time this process has used since it started, its own threads' and the kernel's on
// their behalf: unlike the time on the clock, it hardly grows when other programs load the machine.
double processorMilliseconds();
// When the launcher started this process; nothing when it was not started that way.
std::optional<Clock::time_point> startTime();

}  // namespace ProcessFigures
