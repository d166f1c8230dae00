#include "commands/GroupCommand.h"

#include <ctime>

#include "commands/Record.h"

namespace {

// Field positions in a group line (0 is the command count).
enum Field : std::size_t {
  commandCountField = 0,
  startAtTimeField,
  startYearField,
  startMinuteField = startYearField + 4,
  startDelayMsField,
  stopAtTimeField,
  stopAfterDelayField,
  stopAfterRepeatsField,
  dontStopField,
  stopYearField,
  stopMinuteField = stopYearField + 4,
  stopDelayMsField,
  repeatCountField,
  finalTextField,
  nameField,
  startDelayValueField,
  startDelayUnitField,
  stopDelayValueField,
  stopDelayUnitField,
  finishCommandsField,
};
static_assert(finishCommandsField == GroupCommand::recordFields);
// The reader keeps no field past the last one a group line reads.
static_assert(finishCommandsField < Record::Reader::maxFields);

constexpr int firstYear = 1;
constexpr int lastYear = 9999;

// The local date-time stored as year, month (0 to 11), day, hour and minute from the given
// field on; an invalid date-time when a part is out of its range.
wxDateTime readDateTime(const Record::Reader& fields, std::size_t first) {
  const std::int32_t year = fields.number(first);
  const std::int32_t month = fields.number(first + 1);
  const std::int32_t day = fields.number(first + 2);
  const std::int32_t hour = fields.number(first + 3);
  const std::int32_t minute = fields.number(first + 4);
  if (year < firstYear || year > lastYear || month < 0 || month > 11 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59) {
    return wxInvalidDateTime;
  }
  const auto monthOfYear = static_cast<wxDateTime::Month>(month);
  if (day < 1 || day > wxDateTime::GetNumberOfDays(monthOfYear, year)) return wxInvalidDateTime;
  return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day), monthOfYear, year,
                    static_cast<wxDateTime::wxDateTime_t>(hour), static_cast<wxDateTime::wxDateTime_t>(minute));
}

// The current second, as wxDateTime::Now gives it, without its round trip through the local
// calendar (a mktime, and a look at the time zone file, per call).
wxDateTime now() { return wxDateTime(static_cast<time_t>(std::time(nullptr))); }

// Broken down once: each of wxDateTime's GetYear, GetMonth... converts the whole date again.
void writeDateTime(Record::Writer& out, const wxDateTime& when) {
  const wxDateTime::Tm local = when.GetTm();
  out.number(local.year).number(local.mon).number(local.mday).number(local.hour).number(local.min);
}

}  // namespace

GroupCommand::GroupCommand() : startTime(now()), stopTime(startTime) {}

GroupCommand::~GroupCommand() = default;

void GroupCommand::load(std::string_view record) {
  const wxDateTime loadTime = now();
  const Record::Reader fields(record);
  commandCount = fields.number(commandCountField);
  startAtTime = fields.flag(startAtTimeField);
  startTime = readDateTime(fields, startYearField);
  if (!startTime.IsValid() || startTime.IsEarlierThan(loadTime)) startTime = loadTime;
  startDelayMs = fields.number(startDelayMsField);
  stopAtTime = fields.flag(stopAtTimeField);
  stopAfterDelay = fields.flag(stopAfterDelayField);
  stopAfterRepeats = fields.flag(stopAfterRepeatsField);
  dontStop = fields.flag(dontStopField);
  stopTime = readDateTime(fields, stopYearField);
  movedStopTime = wxDateTime();
  // The midnight after the start's day: after the start, and for a start of now the
  // midnight after now.
  if (!stopTime.IsValid() || !stopTime.IsLaterThan(startTime)) {
    movedStopTime = stopTime;
    stopTime = startTime.GetDateOnly() + wxDateSpan::Day();
  }
  setStopDelay(fields.number(stopDelayMsField));
  repeatCount = fields.number(repeatCountField);
  setFinalText(fields.text(finalTextField));
  setName(std::string(fields.text(nameField)));
  startDelay.read(fields, startDelayValueField);
  stopDelay.read(fields, stopDelayValueField);
  finishCommands = fields.flag(finishCommandsField);
}

void GroupCommand::setStopTime(const wxDateTime& value) {
  if (!value.IsValid() || !stopTime.IsValid() || !value.IsEqualTo(stopTime)) movedStopTime = wxDateTime();
  stopTime = value;
}

void GroupCommand::save(std::string& out) const {
  Record::Writer fields(out);
  fields.flag(startAtTime);
  writeDateTime(fields, startTime);
  fields.number(startDelayMs)
      .flag(stopAtTime)
      .flag(stopAfterDelay)
      .flag(stopAfterRepeats)
      .flag(dontStop);
  writeDateTime(fields, stopTime);
  fields.number(stopDelayMs)
      .number(repeatCount)
      .text(finalText)
      .text(getName());
  startDelay.write(fields);
  stopDelay.write(fields);
  fields.flag(finishCommands);
}

std::unique_ptr<GroupCommand> GroupCommand::clone() const {
  std::string record;
  Record::Writer(record).number(commandCount).text({});
  save(record);
  auto copy = std::make_unique<GroupCommand>();
  copy->load(record);
  return copy;
}

std::unique_ptr<GroupCommand> GroupCommand::copy() const {
  std::unique_ptr<GroupCommand> same = clone();
  same->startTime = startTime;
  same->stopTime = stopTime;
  same->movedStopTime = movedStopTime;
  return same;
}

void GroupCommand::setFinalText(std::string_view editorText) { storeText(finalText, editorText); }

std::string GroupCommand::displayFinalText() const { return toDisplayForm(finalText); }
