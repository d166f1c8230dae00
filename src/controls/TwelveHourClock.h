#pragma once

// The hour of the day as the twelve-hour lists show it: index 0 to 11 for "01" to "12", and AM or
// PM. Twelve o'clock follows the usual convention, 12 AM is midnight and 12 PM noon, so every hour
// of the day maps to exactly one reading and back.
class TwelveHourClock {
 public:
  struct Reading {
    int index;
    bool pm;
  };

  // hour is 0 to 23; other values are taken modulo 24.
  [[nodiscard]] static Reading readingOf(int hour);
  // An index outside 0 to 11 is brought to the nearest end.
  [[nodiscard]] static int hourOf(Reading reading);
};
