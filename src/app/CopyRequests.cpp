#include "app/CopyRequests.h"

#include <wx/evtloop.h>

#include <memory>
#include <utility>

#include "commands/GroupCommand.h"
#include "frame/FrameEvents.h"
#include "frame/MyFrame.h"
#include "input/RunInput.h"
#include "tern/Crc32.h"
#include "tree/CommandTree.h"

namespace {

using ChannelProtocol::Answer;
using ChannelProtocol::Status;

// Posted after a run's start: delivered once the start has been handled.
constexpr std::uint32_t runHandledId = Tern::eventTypeId("RunRequestHandled");

// How often a run asked for at start-up looks whether the project has been loaded.
constexpr int loadWaitPollMs = 50;
// How often a stop asked for looks whether the user has let go of the modifiers.
constexpr int stopWaitPollMs = 10;

}  // namespace

CopyRequests::CopyRequests(MyFrame& frame, RunInput& input) : window(frame), keyboard(input) {
  loadWait.SetOwner(this);
  stopWait.SetOwner(this);
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { onStopWait(); }, stopWait.GetId());
}

Answer CopyRequests::notReady(const ChannelProtocol::Request& request) {
  return {request.verb == ChannelProtocol::Verb::raise ? Status::running : Status::starting, {}};
}

Answer CopyRequests::answer(const ChannelProtocol::Request& request) {
  uiThread.assertCurrent("CopyRequests::answer");
  Answer answer = answerNow(request);
  // The run's start saves the project first: a save with something to tell (it failed, or went
  // to a recovery file) holds the start behind its message, and the asker hears that it waits
  // rather than that the run is on.
  if (request.verb == ChannelProtocol::Verb::run && answer.status == Status::ok && !window.saveBeforeRun()) {
    answer.status = Status::dialogOpen;
  }
  return answer;
}

Answer CopyRequests::answerNow(const ChannelProtocol::Request& request) {
  // Until the project is loaded and its first group selected, the tree is not the project yet.
  const CommandTree& tree = window.commandTree();
  if (!window.isProjectLoaded() || tree.groupRecord(tree.runningGroup()) == nullptr) {
    return notReady(request);
  }
  switch (request.verb) {
    case ChannelProtocol::Verb::raise:
      return {window.bringToFront() ? Status::ok : Status::running, {}};
    case ChannelProtocol::Verb::list:
      return list();
    case ChannelProtocol::Verb::run:
      return run(request.group);
    case ChannelProtocol::Verb::stop:
      return stop();
  }
  return {Status::notUnderstood, {}};
}

void CopyRequests::receive(Tern::CountedPtr<Tern::Event> event) {
  uiThread.assertCurrent("CopyRequests::receive");
  if (event->type() == runHandledId) runQueued = false;
}

Answer CopyRequests::list() const {
  const CommandTree& tree = window.commandTree();
  Answer answer;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId item = tree.GetFirstChild(tree.GetRootItem(), cookie); item.IsOk();
       item = tree.GetNextChild(tree.GetRootItem(), cookie)) {
    if (const GroupCommand* group = tree.groupRecord(item)) answer.names.push_back(group->getName());
  }
  return answer;
}

Answer CopyRequests::run(const std::string& name) {
  if (window.isRunning() || runQueued) return {Status::running, {}};
  // A dialog's own loop runs: the window must stay as it is until the user has answered.
  if (const wxEventLoopBase* loop = wxEventLoopBase::GetActive(); loop != nullptr && !loop->IsMain()) {
    return {Status::dialogOpen, {}};
  }
  if (!groupItem(name).IsOk()) return {Status::noSuchGroup, {}};
  // After the answer has gone: a run may first tell of its stop time in a message, which waits
  // for the user, and the asker for nobody.
  runQueued = true;
  CallAfter([this, name] { startRun(name); });
  return {};
}

void CopyRequests::startRun(const std::string& name) {
  if (const wxTreeItemId item = groupItem(name); item.IsOk()) {
    // Selecting stores the editors into the record they show and shows the group's.
    window.commandTree().SelectItem(item);
    window.runCurrentGroup();
  }
  Tern::Event::postOwned(std::make_unique<Tern::Event>(runHandledId, this));
}

wxTreeItemId CopyRequests::groupItem(const std::string& name) const {
  const CommandTree& tree = window.commandTree();
  wxTreeItemIdValue cookie;
  for (wxTreeItemId item = tree.GetFirstChild(tree.GetRootItem(), cookie); item.IsOk();
       item = tree.GetNextChild(tree.GetRootItem(), cookie)) {
    if (const GroupCommand* group = tree.groupRecord(item); group != nullptr && group->getName() == name) return item;
  }
  return {};
}

Answer CopyRequests::stop() {
  if (!window.isRunning() && !runQueued) return {Status::notRunning, {}};
  stopWait.Start(stopWaitPollMs);
  return {};
}

// A stop asked for by a shortcut of the desktop comes while the user still holds its keys: the
// final commands would come out as shortcuts in the user's window, so they wait, as after the stop
// key. Behind a run still being started, so that it ends that run.
void CopyRequests::onStopWait() {
  if (runQueued || keyboard.userHoldsModifier()) return;
  stopWait.Stop();
  Tern::Event::postOwned(std::make_unique<EndSequenceEvent>(&window));
}

void CopyRequests::runWhenLoaded(const std::string& name, std::function<void(const Answer&)> told) {
  uiThread.assertCurrent("CopyRequests::runWhenLoaded");
  const auto tick = [this, name, told = std::move(told)](wxTimerEvent&) {
    const Answer answer = answerNow({ChannelProtocol::Verb::run, name});
    if (answer.status == Status::starting || answer.status == Status::dialogOpen) return;
    loadWait.Stop();
    told(answer);
  };
  Bind(wxEVT_TIMER, tick, loadWait.GetId());
  loadWait.Start(loadWaitPollMs);
}
