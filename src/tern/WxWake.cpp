#include "tern/WxWake.h"

#include <wx/app.h>

#include <exception>

#include "tern/InstanceValidator.h"

namespace Tern {

const char* WxWake::ExcNotInitialised::what() const noexcept { return "Tern::MessageWindow not initialised"; }

const char* WxWake::ExcPostFailed::what() const noexcept { return "Tern::MessageWindow post failed"; }

void WxWake::wake(QueueDispatch& dispatcher) {
  wxAppConsole* const app = wxAppConsole::GetInstance();
  if (app == nullptr) throw ExcNotInitialised();
  QueueDispatch* const target = &dispatcher;
  try {
    // Thread-safe: CallAfter queues an event on the application and wakes its loop.
    app->CallAfter([target] {
      if (InstanceValidator::isValid<QueueDispatch>(target)) target->dispatchCycle();
    });
  } catch (const std::exception&) {
    throw ExcPostFailed();
  }
}

}  // namespace Tern
