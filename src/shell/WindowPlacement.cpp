#include "shell/WindowPlacement.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <memory>

namespace {

// Placing and framing a window take a window manager two or three steps; one that still moves
// the window after that keeps it there on purpose (on screen, say), and it stays there.
constexpr int maxCorrections = 4;
// Framing takes a window manager milliseconds; a move long after the window was shown is the
// user's, and stays.
constexpr std::chrono::seconds watchLimit{10};

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

struct XFreer {
  void operator()(unsigned char* data) const { XFree(data); }
};

// The window property of the given name and type on window, or nothing.
std::unique_ptr<unsigned char, XFreer> property(Display* display, Window window, const char* name, Atom type,
                                                unsigned long& count) {
  Atom actualType = None;
  int format = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  count = 0;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False, type, &actualType,
                         &format, &count, &after, &data) != Success) {
    return nullptr;
  }
  std::unique_ptr<unsigned char, XFreer> owned(data);
  if (actualType != type || format != 32) count = 0;
  return owned;
}

// Whether a running window manager frames windows and reports their borders: then the window
// moves and grows after it is shown, and only then is it where it will stay.
bool windowManagerFramesWindows() {
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) return false;
  Display* dpy = display.get();
  const Window root = XDefaultRootWindow(dpy);
  unsigned long count = 0;
  const auto check = property(dpy, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, count);
  if (count == 0) return false;
  unsigned long count2 = 0;
  const Window checkWindow = *reinterpret_cast<const Window*>(check.get());
  // A stale check window left by a manager that has gone carries no property of its own.
  XSync(dpy, False);
  const auto echo = property(dpy, checkWindow, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, count2);
  if (count2 == 0) return false;
  const auto supported = property(dpy, root, "_NET_SUPPORTED", XA_ATOM, count);
  const Atom extents = XInternAtom(dpy, "_NET_FRAME_EXTENTS", False);
  const auto* atoms = reinterpret_cast<const Atom*>(supported.get());
  for (unsigned long i = 0; i < count; ++i) {
    if (atoms[i] == extents) return true;
  }
  return false;
}

}  // namespace

WindowPlacement::WindowPlacement(wxTopLevelWindow& tlw) : window(tlw) {
  window.Bind(wxEVT_MOVE, &WindowPlacement::onChange, this);
  window.Bind(wxEVT_SIZE, &WindowPlacement::onChange, this);
}

void WindowPlacement::show(const wxRect& rect) {
  window.SetSize(rect);
  // Sized by its client area, the window is created at that size when first shown. Sized by its
  // outer size only, the toolkit first asks the window manager for the frame's borders and maps a
  // window of a few pixels meanwhile, whose controls are laid out at negative sizes.
  window.SetClientSize(window.GetClientSize());
  unframedBorders = window.GetSize() - window.GetClientSize();
  if (windowManagerFramesWindows()) {
    wanted = rect;
    correctionsLeft = maxCorrections;
    shownAt = std::chrono::steady_clock::now();
  }
  window.Show();
}

void WindowPlacement::onChange(wxEvent& event) {
  event.Skip();
  // After the toolkit has finished with the change: moving the window from inside its own move
  // would be undone by what follows it.
  if (wanted) window.CallAfter([this] { settle(); });
}

void WindowPlacement::settle() {
  if (!wanted) return;
  if (window.GetRect() != *wanted) {
    if (correctionsLeft == 0 || std::chrono::steady_clock::now() - shownAt > watchLimit) {
      wanted.reset();
      return;
    }
    --correctionsLeft;
    window.SetSize(*wanted);
    return;
  }
  const bool framed = window.GetSize() - window.GetClientSize() != unframedBorders;
  if (framed) wanted.reset();
}
