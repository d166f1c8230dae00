#include "commands/Record.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "text/Atoi.h"

namespace Record {

Reader::Reader(std::string_view record) {
  std::size_t start = 0;
  while (count < maxFields) {
    const std::size_t end = record.find(separator, start);
    if (end == std::string_view::npos) {
      fields[count++] = record.substr(start);
      break;
    }
    fields[count++] = record.substr(start, end - start);
    start = end + 1;
  }
}

std::string_view Reader::text(std::size_t index) const { return index < count ? fields[index] : std::string_view{}; }

std::int32_t Reader::number(std::size_t index) const { return atoiSaturating(text(index)); }

std::int16_t Reader::shortNumber(std::size_t index) const {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(number(index), std::numeric_limits<std::int16_t>::min(),
                                                            std::numeric_limits<std::int16_t>::max()));
}

void Writer::beginField() {
  if (!first) out.push_back(separator);
  first = false;
}

Writer& Writer::text(std::string_view value) {
  beginField();
  out.append(value);
  return *this;
}

Writer& Writer::number(std::int64_t value) {
  beginField();
  char digits[24];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
  return *this;
}

}  // namespace Record
