#pragma once

#include <wx/event.h>
#include <wx/timer.h>
#include <wx/treebase.h>

#include <functional>
#include <string>

#include "app/ChannelProtocol.h"
#include "tern/EventReceiver.h"
#include "tern/OwnerThread.h"

class MyFrame;
class RunInput;

// What the copy running on a project does with the requests of copies started later: brings its
// window to the front, lists its groups, runs a group as "Run Current Group" does, or ends the
// run as "End Sequence Now" does. UI thread only.
class CopyRequests final : private wxEvtHandler, public Tern::EventReceiver {
 public:
  // Lives no longer than frame, whose runs type with input.
  CopyRequests(MyFrame& frame, RunInput& input);

  [[nodiscard]] ChannelProtocol::Answer answer(const ChannelProtocol::Request& request);
  // The answer while the project is not loaded yet, or the window not even made: ask again soon,
  // or, to be raised, that this copy runs. Any thread.
  [[nodiscard]] static ChannelProtocol::Answer notReady(const ChannelProtocol::Request& request);
  // Runs the group as a request would, once the window has loaded the project and no dialog
  // waits; told gets the answer. For a run asked for on this copy's own command line.
  void runWhenLoaded(const std::string& group, std::function<void(const ChannelProtocol::Answer&)> told);

  void receive(Tern::CountedPtr<Tern::Event> event) override;

 private:
  // The answer without the save a run's start makes first; a run's start is queued.
  ChannelProtocol::Answer answerNow(const ChannelProtocol::Request& request);
  ChannelProtocol::Answer list() const;
  ChannelProtocol::Answer run(const std::string& group);
  // Selects the group and runs it as "Run Current Group" does.
  void startRun(const std::string& group);
  // The group item of that name; no item when the project has none.
  [[nodiscard]] wxTreeItemId groupItem(const std::string& name) const;
  ChannelProtocol::Answer stop();
  void onStopWait();

  const Tern::OwnerThread uiThread;
  MyFrame& window;
  RunInput& keyboard;
  // A run was asked for and its start is still queued: a second one must not move the selection
  // that the first one's run reads its group from.
  bool runQueued = false;
  wxTimer loadWait;
  // A stop asked for waits until the user has let go of the modifiers.
  wxTimer stopWait;
};
