#include "app/DisplayLoss.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <utility>

namespace {

bool installed = false;
XIOErrorHandler toolkitHandler = nullptr;
std::function<void()> lastChanceAction;
std::thread::id uiThread;
// Writing the project may itself touch a dead connection (the input injector's, say), which
// comes back here: the last chance is taken once.
std::atomic<bool> taken{false};

int onConnectionLost(Display* display) {
  if (std::this_thread::get_id() == uiThread && !taken.exchange(true) && lastChanceAction) {
    lastChanceAction();
  }
  if (toolkitHandler != nullptr) return toolkitHandler(display);
  _exit(1);
}

}  // namespace

void DisplayLoss::install(std::function<void()> lastChance) {
  uiThread = std::this_thread::get_id();
  lastChanceAction = std::move(lastChance);
  XIOErrorHandler previous = XSetIOErrorHandler(onConnectionLost);
  if (!installed) toolkitHandler = previous;
  installed = true;
}

void DisplayLoss::uninstall() {
  if (!installed) return;
  XSetIOErrorHandler(toolkitHandler);
  lastChanceAction = nullptr;
  installed = false;
}
