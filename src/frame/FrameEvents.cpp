#include "frame/FrameEvents.h"

void routeFrameEvent(const Tern::CountedPtr<Tern::Event>& event, FrameEventHandler& handler) {
  const Tern::Event* e = event.get();
  if (e == nullptr) return;
  switch (e->type()) {
    case LoadFileEvent::id: handler.loadProject(); break;
    case SelectItemEvent::id: {
      const auto& item = static_cast<const SelectItemEvent*>(e)->item;
      if (item.IsOk()) handler.selectItem(item);
      break;
    }
    case EndSequenceEvent::id: handler.endSequence(); break;
    case RunSequenceEvent::id: handler.runSequence(); break;
    case StopKeyEvent::id: handler.stopKeyPressed(); break;
    case ReleaseGuardLostEvent::id: handler.releaseGuardLost(); break;
    case CommandFinishedEvent::id: handler.commandFinished(static_cast<const CommandFinishedEvent*>(e)->item); break;
    default: break;
  }
}
