#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a copy of the program started on a project folder asks the copy running there, and the
// answers, as the bytes they travel as. A request is one line: "raise", "list", "stop", or "run"
// and a group's name. The answer to "raise" is the single byte '1' or '0', as second copies have
// always read it; any other answer is a status line, then for "list" the group names, one a line.
// A line break or a backslash in a name travels as "\n" or "\\". Plain C++, any thread.
namespace ChannelProtocol {

enum class Verb { raise, list, run, stop };

struct Request {
  Verb verb = Verb::raise;
  // The group "run" names (UTF-8); empty for the other verbs.
  std::string group;

  bool operator==(const Request&) const = default;
};

enum class Status {
  ok,
  // "run" named a group the project lacks.
  noSuchGroup,
  // "run" while a group runs already.
  running,
  // "stop" while no group runs.
  notRunning,
  // The running copy has not finished loading its project; asking again soon will do.
  starting,
  // A dialog of the running copy waits for its user.
  dialogOpen,
  // The running copy did not understand the request: an older program.
  notUnderstood,
};

struct Answer {
  Status status = Status::ok;
  // The group names of a "list" answer.
  std::vector<std::string> names;

  bool operator==(const Answer&) const = default;
};

// The most a request line may hold: a name longer than any tree shows, far from a denial of memory.
inline constexpr std::size_t longestRequest = 64 * 1024;

// The request as sent, ending in its line break.
[[nodiscard]] std::string formatRequest(const Request& request);
// Whether the bytes received so far hold a whole request line.
[[nodiscard]] bool isComplete(std::string_view received);
// The request of a whole line (the bytes up to its line break); nothing when the line holds no
// request, which is answered notUnderstood.
[[nodiscard]] std::optional<Request> parseRequest(std::string_view received);

// The answer to a request of verb as sent; a "raise" answer is '1' for ok and '0' otherwise.
[[nodiscard]] std::string formatAnswer(Verb verb, const Answer& answer);
// The answer to a request of verb, from everything received until the other side closed;
// nothing when the bytes hold none.
[[nodiscard]] std::optional<Answer> parseAnswer(Verb verb, std::string_view received);

}  // namespace ChannelProtocol
