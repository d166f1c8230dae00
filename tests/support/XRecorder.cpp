// xrecorder: covers the whole screen of $DISPLAY with one focused window and reports on stdout,
// one line each, every key press ("K <keysym in hex> <Unicode code point, 0 for none> <modifier
// state in hex>") and
// every button press ("B <button> <x> <y>"), after a first line "READY". Ends on SIGTERM.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <memory>

#include "support/UniqueFd.h"

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

void createCoveringWindow(Display* display) {
  const int screen = XDefaultScreen(display);
  XSetWindowAttributes attributes{};
  // Override-redirect: placed exactly where asked and never managed or moved by anything.
  attributes.override_redirect = True;
  attributes.event_mask = KeyPressMask | ButtonPressMask | StructureNotifyMask;
  attributes.background_pixel = XBlackPixel(display, screen);
  const Window window =
      XCreateWindow(display, XRootWindow(display, screen), 0, 0, static_cast<unsigned>(XDisplayWidth(display, screen)),
                    static_cast<unsigned>(XDisplayHeight(display, screen)), 0, CopyFromParent, InputOutput, nullptr,
                    CWOverrideRedirect | CWEventMask | CWBackPixel, &attributes);
  XMapRaised(display, window);
  XEvent event{};
  do {
    XWindowEvent(display, window, StructureNotifyMask, &event);
  } while (event.type != MapNotify);
  // Focus can only go to a viewable window, which it is from MapNotify on.
  XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
  XSync(display, False);
}

void report(XEvent& event) {
  switch (event.type) {
    case KeyPress: {
      std::array<char, 32> text{};
      KeySym keysym = NoSymbol;
      XLookupString(&event.xkey, text.data(), static_cast<int>(text.size()), &keysym, nullptr);
      const std::uint32_t codePoint = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym));
      std::printf("K 0x%lx %" PRIu32 " 0x%x\n", keysym, codePoint, event.xkey.state);
      break;
    }
    case ButtonPress:
      std::printf("B %u %d %d\n", event.xbutton.button, event.xbutton.x_root, event.xbutton.y_root);
      break;
    case MappingNotify:
      // The next lookup must see keys bound since the last one, such as temporary bindings.
      XRefreshKeyboardMapping(&event.xmapping);
      break;
    default:
      break;
  }
}

}  // namespace

int main() {
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGTERM);
  sigaddset(&endSignals, SIGINT);
  sigprocmask(SIG_BLOCK, &endSignals, nullptr);
  const UniqueFd signals(signalfd(-1, &endSignals, SFD_CLOEXEC));
  if (!signals.valid()) {
    std::perror("xrecorder: signalfd");
    return 1;
  }

  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) {
    std::fputs("xrecorder: cannot open the display\n", stderr);
    return 1;
  }
  createCoveringWindow(display.get());
  // Xlib loads its keymap and asks for keymap changes on the first lookup. Done lazily at the
  // first key press, a binding made by the typist in the meantime could reach neither the
  // loaded map nor a notification, and its keys would read as NoSymbol.
  XKeysymToKeycode(display.get(), XK_a);
  XSync(display.get(), False);

  static std::array<char, 1 << 16> outputBuffer{};
  std::setvbuf(stdout, outputBuffer.data(), _IOFBF, outputBuffer.size());
  std::puts("READY");
  std::fflush(stdout);

  std::array<pollfd, 2> watched{{{XConnectionNumber(display.get()), POLLIN, 0}, {signals.get(), POLLIN, 0}}};
  for (;;) {
    while (XPending(display.get()) > 0) {
      XEvent event{};
      XNextEvent(display.get(), &event);
      report(event);
    }
    // Written in bursts: one flush per emptied event queue rather than one per event.
    std::fflush(stdout);
    if (poll(watched.data(), watched.size(), -1) < 0) continue;
    if ((watched[1].revents & POLLIN) != 0) break;
  }
  return 0;
}
