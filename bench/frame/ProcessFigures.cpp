#include "ProcessFigures.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <string>

namespace ProcessFigures {

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double residentMegabytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t sizePages = 0;
  std::size_t residentPages = 0;
  if (!(statm >> sizePages >> residentPages)) throw std::runtime_error("cannot read /proc/self/statm");
  const long pageSize = sysconf(_SC_PAGESIZE);
  return static_cast<double>(residentPages) * static_cast<double>(pageSize) / (1024.0 * 1024.0);
}

double processorMilliseconds() {
  timespec used{};
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used) != 0) throw std::runtime_error("cannot read the processor time");
  return static_cast<double>(used.tv_sec) * 1000.0 + static_cast<double>(used.tv_nsec) / 1e6;
}

std::optional<Clock::time_point> startTime() {
  const char* text = std::getenv(std::string(startedAtVariable).c_str());
  if (text == nullptr) return std::nullopt;
  return Clock::time_point(Clock::duration(std::stoll(text)));
}

}  // namespace ProcessFigures
