#include "controls/TwelveHourClock.h"

#include <algorithm>

TwelveHourClock::Reading TwelveHourClock::readingOf(int hour) {
  const int h = ((hour % 24) + 24) % 24;
  const int onDial = h % 12 == 0 ? 12 : h % 12;
  return {onDial - 1, h >= 12};
}

int TwelveHourClock::hourOf(Reading reading) {
  const int onDial = std::clamp(reading.index, 0, 11) + 1;
  return onDial % 12 + (reading.pm ? 12 : 0);
}
