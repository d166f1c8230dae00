#include "app/ChannelProtocol.h"

#include <array>
#include <utility>

namespace ChannelProtocol {

namespace {

constexpr std::array<std::pair<Verb, std::string_view>, 4> verbWords{
    {{Verb::raise, "raise"}, {Verb::list, "list"}, {Verb::run, "run"}, {Verb::stop, "stop"}}};

constexpr std::array<std::pair<Status, std::string_view>, 7> statusWords{{{Status::ok, "ok"},
                                                                          {Status::noSuchGroup, "no-such-group"},
                                                                          {Status::running, "running"},
                                                                          {Status::notRunning, "not-running"},
                                                                          {Status::starting, "starting"},
                                                                          {Status::dialogOpen, "dialog-open"},
                                                                          {Status::notUnderstood, "not-understood"}}};

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// Nothing for a backslash followed by anything but a backslash or an n.
std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    if (text[i] == '\\') {
      out += '\\';
    } else if (text[i] == 'n') {
      out += '\n';
    } else {
      return std::nullopt;
    }
  }
  return out;
}

// The lines of text, each without its line break; a last line without one counts too.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

std::string formatRequest(const Request& request) {
  std::string line(verbWords[static_cast<std::size_t>(request.verb)].second);
  if (request.verb == Verb::run) line += ' ' + escape(request.group);
  return line + '\n';
}

bool isComplete(std::string_view received) { return received.find('\n') != std::string_view::npos; }

std::optional<Request> parseRequest(std::string_view received) {
  std::string_view line = received.substr(0, received.find('\n'));
  const std::string_view word = line.substr(0, line.find(' '));
  for (const auto& [verb, text] : verbWords) {
    if (word != text) continue;
    if (verb != Verb::run) {
      if (line != text) return std::nullopt;
      return Request{verb, {}};
    }
    if (line.size() <= word.size()) return std::nullopt;
    std::optional<std::string> group = unescape(line.substr(word.size() + 1));
    if (!group) return std::nullopt;
    return Request{verb, std::move(*group)};
  }
  return std::nullopt;
}

std::string formatAnswer(Verb verb, const Answer& answer) {
  if (verb == Verb::raise) return answer.status == Status::ok ? "1" : "0";
  std::string text(statusWords[static_cast<std::size_t>(answer.status)].second);
  text += '\n';
  for (const std::string& name : answer.names) text += escape(name) + '\n';
  return text;
}

std::optional<Answer> parseAnswer(Verb verb, std::string_view received) {
  if (verb == Verb::raise) {
    if (received == "1") return Answer{Status::ok, {}};
    // The copy would not come to the front: it runs a group, or has not loaded its project yet.
    if (received == "0") return Answer{Status::running, {}};
    return std::nullopt;
  }
  // An answer cut short lacks the line break of its last line.
  if (received.empty() || received.back() != '\n') return std::nullopt;
  const std::vector<std::string_view> lines = linesOf(received);
  for (const auto& [status, word] : statusWords) {
    if (lines.front() != word) continue;
    Answer answer{status, {}};
    for (std::size_t i = 1; i < lines.size(); ++i) {
      std::optional<std::string> name = unescape(lines[i]);
      if (!name) return std::nullopt;
      answer.names.push_back(std::move(*name));
    }
    return answer;
  }
  return std::nullopt;
}

}  // namespace ChannelProtocol
