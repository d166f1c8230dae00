#pragma once

#include <cstdint>

#include "commands/Record.h"

// A length of time as an interval editor shows it: a number and a unit index (0 milliseconds,
// 1 seconds, 2 minutes, 3 hours, 4 days). Records keep it beside the milliseconds they run with.
struct ShownInterval {
  std::int32_t value = 0;
  std::int16_t unit = 0;

  void set(std::int32_t number, std::int16_t unitIndex) {
    value = number;
    unit = unitIndex;
  }
  void get(std::int32_t& number, std::int16_t& unitIndex) const {
    number = value;
    unitIndex = unit;
  }

  // The two record fields from index first on.
  void read(const Record::Reader& fields, std::size_t first) { set(fields.number(first), fields.shortNumber(first + 1)); }
  void write(Record::Writer& out) const { out.number(value).number(unit); }
};
