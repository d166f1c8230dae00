#include "capture/PointPicker.h"

#include <X11/Xlib.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <poll.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include "keys/WakeUpFd.h"
#include "input/x11/XDisplay.h"
#include "tern/OwnerThread.h"

namespace {

// The toolkit may still hold the pointer for a moment after the click that asked for the pick.
constexpr int grabAttempts = 40;
constexpr std::chrono::milliseconds grabRetry{25};

}  // namespace

struct PointPicker::State {
  State(const std::string& displayName, std::function<void(std::optional<Point>)> picked);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  void watch() noexcept;

  const Tern::OwnerThread uiThread;
  XDisplay display;
  const Window root;
  Cursor cross = None;
  const WakeUpFd wakeUp;
  const std::function<void(std::optional<Point>)> onPicked;
  std::atomic<bool> stopping{false};
  // Started last: everything it reads exists by then.
  std::thread worker;
};

PointPicker::State::State(const std::string& displayName, std::function<void(std::optional<Point>)> picked)
    : display(displayName), root(XDefaultRootWindow(display.get())), onPicked(std::move(picked)) {
  Display* dpy = display.get();
  cross = XCreateFontCursor(dpy, XC_crosshair);
  int pointer = GrabNotViewable;
  int keyboard = GrabNotViewable;
  for (int attempt = 0; attempt < grabAttempts; ++attempt) {
    if (pointer != GrabSuccess) {
      pointer = XGrabPointer(dpy, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, cross, CurrentTime);
    }
    if (keyboard != GrabSuccess) keyboard = XGrabKeyboard(dpy, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (pointer == GrabSuccess && keyboard == GrabSuccess) break;
    std::this_thread::sleep_for(grabRetry);
  }
  if (pointer != GrabSuccess || keyboard != GrabSuccess) {
    XUngrabPointer(dpy, CurrentTime);
    XUngrabKeyboard(dpy, CurrentTime);
    XFreeCursor(dpy, cross);
    XSync(dpy, False);
    throw XError("Another program holds the pointer or the keyboard: no point can be picked now");
  }
  XSync(dpy, False);
  worker = std::thread([this] { watch(); });
}

PointPicker::State::~State() {
  stopping.store(true);
  wakeUp.signal();
  worker.join();
  Display* dpy = display.get();
  XUngrabPointer(dpy, CurrentTime);
  XUngrabKeyboard(dpy, CurrentTime);
  XFreeCursor(dpy, cross);
  XSync(dpy, False);
}

void PointPicker::State::watch() noexcept {
  Display* dpy = display.get();
  std::array<pollfd, 2> watched{{{wakeUp.get(), POLLIN, 0}, {ConnectionNumber(dpy), POLLIN, 0}}};
  while (!stopping.load()) {
    while (XPending(dpy) > 0) {
      XEvent event{};
      XNextEvent(dpy, &event);
      if (event.type == ButtonPress) {
        onPicked(Point{event.xbutton.x_root, event.xbutton.y_root});
        return;
      }
      if (event.type == KeyPress && XLookupKeysym(&event.xkey, 0) == XK_Escape) {
        onPicked(std::nullopt);
        return;
      }
    }
    poll(watched.data(), watched.size(), -1);
  }
}

PointPicker::PointPicker(const std::string& displayName, std::function<void(std::optional<Point>)> picked)
    : state(std::make_unique<State>(displayName, std::move(picked))) {}

PointPicker::~PointPicker() { state->uiThread.assertCurrent("PointPicker::~PointPicker"); }
