#pragma once

#include <exception>

#include "tern/QueueDispatch.h"

namespace Tern {

// Carries the dispatcher's wake-ups over the wx event loop: each wake queues one call onto the
// running wx application, and that call runs one dispatch cycle on the UI thread if the
// dispatcher is still alive then. The wx application must outlive the dispatcher.
class WxWake {
 public:
  // No wx application exists to carry the wake-up.
  class ExcNotInitialised : public std::exception {
   public:
    [[nodiscard]] const char* what() const noexcept override;
  };

  // The call could not be queued.
  class ExcPostFailed : public std::exception {
   public:
    [[nodiscard]] const char* what() const noexcept override;
  };

  // The wake function for QueueDispatch. Throws ExcNotInitialised or ExcPostFailed.
  // Any thread.
  static void wake(QueueDispatch& dispatcher);
};

}  // namespace Tern
