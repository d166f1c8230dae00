#pragma once

#include <wx/treebase.h>

#include <cstdint>
#include <string>

#include "tern/Crc32.h"
#include "tern/CountedPtr.h"
#include "tern/Event.h"

// The events the main window posts to itself: loading the project once the event loop runs,
// selecting a tree item after an operation, starting a run, the end of a command's turn (or
// the start of a pass) and the end of a run. Any thread may create and post them.

class LoadFileEvent : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("LoadFile");
  LoadFileEvent(Tern::EventReceiver* receiver, std::string path) : Event(id, receiver), fileName(std::move(path)) {}
  // The project file's full path.
  const std::string fileName;
};

class SelectItemEvent : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("SelectItem");
  SelectItemEvent(Tern::EventReceiver* receiver, wxTreeItemId selected) : Event(id, receiver), item(selected) {}
  // The item to select; an unset id selects nothing.
  const wxTreeItemId item;
};

class RunSequenceEvent : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("RunSequence");
  explicit RunSequenceEvent(Tern::EventReceiver* receiver) : Event(id, receiver) {}
};

class CommandFinishedEvent : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("CommandFinished");
  CommandFinishedEvent(Tern::EventReceiver* receiver, wxTreeItemId finished) : Event(id, receiver), item(finished) {}
  // The command whose turn ended, or the running group's item to begin a pass.
  const wxTreeItemId item;
};

class EndSequenceEvent : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("EndSequence");
  explicit EndSequenceEvent(Tern::EventReceiver* receiver) : Event(id, receiver) {}
};

// The user pressed the global stop key; posted from the stop key's own thread.
class StopKeyEvent : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("StopKey");
  explicit StopKeyEvent(Tern::EventReceiver* receiver) : Event(id, receiver) {}
};

// What the run holds down has no release guardian any more, and none can start; posted from
// the guardian's own thread, or during typing.
class ReleaseGuardLostEvent : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("ReleaseGuardLost");
  explicit ReleaseGuardLostEvent(Tern::EventReceiver* receiver) : Event(id, receiver) {}
};

// What the main window does with its events.
class FrameEventHandler {
 public:
  virtual ~FrameEventHandler() = default;
  virtual void loadProject() = 0;
  virtual void selectItem(const wxTreeItemId& item) = 0;
  virtual void endSequence() = 0;
  virtual void runSequence() = 0;
  virtual void commandFinished(const wxTreeItemId& item) = 0;
  virtual void stopKeyPressed() = 0;
  virtual void releaseGuardLost() = 0;
};

// Routes one delivered event by kind: a selection of no item is dropped, and kinds the main
// window does not take are ignored; whether a run takes the run's events is the handler's
// matter. UI thread only.
void routeFrameEvent(const Tern::CountedPtr<Tern::Event>& event, FrameEventHandler& handler);
