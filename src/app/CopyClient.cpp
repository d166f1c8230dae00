#include "app/CopyClient.h"

#include <memory>
#include <optional>
#include <ostream>
#include <system_error>
#include <utility>

#include "commands/GroupCommand.h"
#include "project/ProjectFile.h"

namespace {

using ChannelProtocol::Status;
using Outcome = CopyChannel::Reply::Outcome;

// Keeps the names of the groups a project file holds.
class NameSink final : public ProjectFile::Sink {
 public:
  explicit NameSink(std::vector<std::string>& kept) : names(kept) {}
  void group(std::unique_ptr<GroupCommand> group) override { names.push_back(group->getName()); }
  void command(std::unique_ptr<BaseCommand>) override {}

 private:
  std::vector<std::string>& names;
};

// What went wrong with a request, in one line; nothing when it was done.
std::optional<std::string> problemOf(const CopyChannel::Reply& reply, const std::string& group) {
  switch (reply.outcome) {
    case Outcome::noCopy:
      return "Zentak is not running with this project.";
    case Outcome::noAnswer:
      return "Zentak gave no answer.";
    case Outcome::answered:
      break;
  }
  switch (reply.answer.status) {
    case Status::ok:
      return std::nullopt;
    case Status::noSuchGroup:
      return "The project has no group named \"" + group + "\".";
    case Status::running:
      return "A group is running already; end it first (zentak --stop).";
    case Status::notRunning:
      return "No group is running.";
    case Status::starting:
      return "Zentak gave no answer.";
    case Status::dialogOpen:
      return "Zentak waits for an answer in one of its dialogs.";
    case Status::notUnderstood:
      return "The running Zentak is an older one that does not know this request.";
  }
  return "Zentak gave no answer.";
}

}  // namespace

CopyClient::CopyClient(std::filesystem::path projectFolder, ChannelAddress channelAddress, std::ostream& output,
                       std::ostream& errors)
    : folder(std::move(projectFolder)), channel(std::move(channelAddress)), out(output), err(errors) {}

int CopyClient::list() {
  const CopyChannel::Reply reply = CopyChannel::ask(channel, {ChannelProtocol::Verb::list, {}});
  std::vector<std::string> names;
  if (reply.outcome == Outcome::noCopy) {
    if (!readNames(names)) return refused;
  } else if (report(reply) != success) {
    return refused;
  } else {
    names = reply.answer.names;
  }
  for (const std::string& name : names) out << name << '\n';
  out.flush();
  return success;
}

int CopyClient::run(const std::string& group) {
  return report(CopyChannel::ask(channel, {ChannelProtocol::Verb::run, group}), group);
}

int CopyClient::stop() {
  return report(CopyChannel::ask(channel, {ChannelProtocol::Verb::stop, {}}));
}

int CopyClient::report(const CopyChannel::Reply& reply, const std::string& group) {
  const auto problem = problemOf(reply, group);
  if (!problem) return success;
  tell(*problem);
  return refused;
}

bool CopyClient::projectHas(const std::string& group) {
  std::vector<std::string> names;
  if (!readNames(names)) return false;
  for (const std::string& name : names) {
    if (name == group) return true;
  }
  report({Outcome::answered, {Status::noSuchGroup, {}}}, group);
  return false;
}

bool CopyClient::readNames(std::vector<std::string>& names) {
  const std::filesystem::path path = folder / ProjectFile::fileName;
  std::error_code unknown;
  // No project yet: the first start makes one.
  if (!std::filesystem::exists(path, unknown) && !unknown) return true;
  try {
    NameSink sink(names);
    if (ProjectFile::readProject(ProjectFile::readFile(path), sink) == ProjectFile::ReadOutcome::failed) {
      tell("Cannot read the project " + path.string() + ": it is damaged.");
      return false;
    }
    return true;
  } catch (const std::system_error& error) {
    tell("Cannot read the project " + path.string() + ": " + error.code().message() + ".");
    return false;
  }
}

void CopyClient::tell(const std::string& problem) { err << "zentak: " << problem << '\n' << std::flush; }
