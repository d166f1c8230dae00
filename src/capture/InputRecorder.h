#pragma once

#include <functional>
#include <memory>
#include <string>

class StopChord;

// Records every key and mouse button the user presses anywhere on an X display, as token text
// (RecordedText), until the stop chord. It reads the XInput 2 raw events of the root window on
// an X connection of its own, with a worker thread, and grabs nothing: the keys still reach the
// window the user types in. Under Wayland it sees what reaches X (XWayland) windows only. Made,
// stopped and destroyed on the UI thread.
class InputRecorder {
 public:
  // Opens the named display (or $DISPLAY when empty) and starts recording. chordPressed runs on
  // the worker thread, once, when the stop chord is pressed, and may only post.
  // Throws XError when the display cannot be opened or lacks XInput 2.2 or XKB,
  // std::system_error when the worker cannot be set up. UI thread only.
  InputRecorder(const std::string& displayName, const StopChord& chord, std::function<void()> chordPressed);
  // Stops the worker. UI thread only.
  ~InputRecorder();
  InputRecorder(const InputRecorder&) = delete;
  InputRecorder& operator=(const InputRecorder&) = delete;

  // Stops recording and gives the text recorded. When the user ended it with a click on one of
  // Zentak's own windows, withoutLastClick leaves that click out. UI thread only.
  [[nodiscard]] std::string stop(bool withoutLastClick);

 private:
  struct State;
  std::unique_ptr<State> state;
};
