#include "history/DeletedNote.h"

namespace DeletedNote {

namespace {

std::string note(std::string_view kind, std::string_view name, std::string_view with, std::string_view undoKey) {
  std::string out = "Deleted ";
  out.append(kind).append(" \"").append(name).append("\"").append(with);
  out.append(" \u2014 ").append(undoKey).append(" brings it back");
  return out;
}

}  // namespace

std::string group(std::string_view name, std::size_t commands, std::string_view undoKey) {
  std::string with;
  if (commands > 0) with = " with " + std::to_string(commands) + (commands == 1 ? " command" : " commands");
  return note("group", name, with, undoKey);
}

std::string command(std::string_view name, std::string_view undoKey) { return note("command", name, {}, undoKey); }

}  // namespace DeletedNote
