// Arbitrary bytes as command and group records: loading never fails, and a command saved
// from whatever was loaded reads back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  BaseCommand command;
  command.load(input);
  std::string first;
  command.save(first);
  BaseCommand again;
  again.load(first);
  std::string second;
  again.save(second);
  if (first != second || again.getKeyActions() != command.getKeyActions()) std::abort();

  GroupCommand group;
  group.load(input);
  std::string line;
  group.save(line);
  if (!group.getStartTime().IsValid() || !group.getStopTime().IsLaterThan(group.getStartTime())) std::abort();
  return 0;
}
