#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The text form of commands and groups: fields separated by the byte DEL, numbers in decimal,
// booleans as "1" or "0", strings raw. One record is one line without its line end.
namespace Record {

inline constexpr char separator = '\x7f';

// Reads the fields of one record. Empty fields between neighbouring separators keep their
// place; a field past the end reads as empty. The fields point into the record, which must
// outlive the reader, which lives on the stack: reading a record allocates nothing.
class Reader {
 public:
  // The most fields any record has: a group line, its command count and 25 fields. Fields
  // beyond these are never split off, so a hostile line of separators costs no memory; they
  // read as empty, and the last kept field still ends at its own separator.
  static constexpr std::size_t maxFields = 26;

  explicit Reader(std::string_view record);

  [[nodiscard]] std::string_view text(std::size_t index) const;
  // Read like C's atoi, saturating to the signed 32-bit range.
  [[nodiscard]] std::int32_t number(std::size_t index) const;
  // Unit indexes are kept in 16 bits; a number beyond that range saturates.
  [[nodiscard]] std::int16_t shortNumber(std::size_t index) const;
  [[nodiscard]] bool flag(std::size_t index) const { return number(index) != 0; }
  // Fields split off: at most maxFields.
  [[nodiscard]] std::size_t size() const { return count; }

 private:
  std::array<std::string_view, maxFields> fields;
  std::size_t count = 0;
};

// Appends fields to a line, one separator between each two.
class Writer {
 public:
  explicit Writer(std::string& line) : out(line) {}

  Writer& text(std::string_view value);
  Writer& number(std::int64_t value);
  Writer& flag(bool value) { return text(value ? "1" : "0"); }

 private:
  void beginField();

  std::string& out;
  bool first = true;
};

}  // namespace Record
