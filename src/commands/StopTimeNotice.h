#pragma once

#include <wx/datetime.h>

#include <optional>
#include <string>

class GroupCommand;

// What a run of a group with a Stop Time tells the user as it starts, when the stop is not the
// one set: loading moved a passed stop time to a midnight (a run would otherwise go on until
// then unawares), or the stop time has passed since and the run stops at once. UI thread only.
namespace StopTimeNotice {

// The note for a run of group started at now; nothing when the stop is as set.
[[nodiscard]] std::optional<std::string> text(const GroupCommand& group, const wxDateTime& now);

}  // namespace StopTimeNotice
