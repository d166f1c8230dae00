#pragma once

#include <wx/string.h>

#include <memory>
#include <optional>

#include "capture/PointPicker.h"
#include "tern/OwnerThread.h"

class InputRecorder;
class RunInput;
class StopWindow;
class wxFrame;
class wxTextCtrl;

// Fills an editor's text from the screen. Record hides the window and records the keys and
// buttons the user presses anywhere until the stop key (or the stop window's button), then
// shows the window again and puts the recorded text at the caret of the text. Pick Point hides
// the window and puts the root coordinates of the next click into the mouse token at the caret,
// or a new click there; Escape changes nothing. One at a time. UI thread only.
class EditorCapture {
 public:
  // The text shown while recording.
  static constexpr const char* recordingNote = "Recording \u2014 press the stop key to finish";

  // input gives the stop key and its chord; window hides while the screen is captured.
  EditorCapture(wxFrame& window, RunInput& input);
  ~EditorCapture();
  EditorCapture(const EditorCapture&) = delete;
  EditorCapture& operator=(const EditorCapture&) = delete;

  // Start recording, or picking a point, for target; nothing while either is in progress.
  // A display that gives no input to record or pick is told to the user.
  void record(wxTextCtrl& target);
  void pick(wxTextCtrl& target);

  [[nodiscard]] bool busy() const { return target != nullptr; }
  // The stop window while recording, if the desktop shows one.
  [[nodiscard]] StopWindow* recordingStopWindow() const { return stopWindow.get(); }

 private:
  void finishRecording(bool byOwnWindow);
  void finishPick(std::optional<PointPicker::Point> point);
  void hideWindow();
  // Shows the window again and gives target the focus with its selection as it was.
  void restore();
  void tell(const wxString& message);

  const Tern::OwnerThread uiThread;
  wxFrame& window;
  RunInput& input;
  wxTextCtrl* target = nullptr;
  long selectionFrom = 0;
  long selectionTo = 0;
  bool stopKeyGrabbed = false;
  std::unique_ptr<InputRecorder> recorder;
  std::unique_ptr<StopWindow> stopWindow;
  std::unique_ptr<PointPicker> picker;
};
