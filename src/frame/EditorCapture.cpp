#include "frame/EditorCapture.h"

#include <wx/frame.h>
#include <wx/textctrl.h>

#include <exception>
#include <string>

#include "input/RunInput.h"
#include "capture/InputRecorder.h"
#include "keys/KeyTokens.h"
#include "keys/MouseTokenPoint.h"
#include "keys/StopChord.h"
#include "shell/StopControls.h"
#include "shell/StopWindow.h"
#include "shell/UserDialogs.h"
#include "text/WxText.h"

EditorCapture::EditorCapture(wxFrame& frame, RunInput& runInput) : window(frame), input(runInput) {}

EditorCapture::~EditorCapture() {
  uiThread.assertCurrent("EditorCapture::~EditorCapture");
  if (stopKeyGrabbed) input.releaseStopKey();
}

void EditorCapture::record(wxTextCtrl& text) {
  uiThread.assertCurrent("EditorCapture::record");
  if (busy() || !text.IsEditable()) return;
  const StopChord chord = StopChord::parse(input.stopKeyName()).value_or(StopChord::standard());
  target = &text;
  hideWindow();
  try {
    // Both the recorder and the stop key see the chord; whichever tells first ends it.
    recorder = std::make_unique<InputRecorder>("", chord, [this] { window.CallAfter([this] { finishRecording(false); }); });
  } catch (const std::exception& failure) {
    restore();
    tell(wxString("Nothing can be recorded: ") + WxText::fromUtf8(failure.what()));
    return;
  }
  // The chord stays out of the window the user types in.
  stopKeyGrabbed = input.grabStopKey([this] { window.CallAfter([this] { finishRecording(false); }); });
  const StopControls::Surface surface = StopControls::surface({}, StopWindow::toolkit());
  if (surface != StopControls::Surface::none) {
    stopWindow = std::make_unique<StopWindow>(surface, WxText::fromUtf8(recordingNote),
                                              [this] { window.CallAfter([this] { finishRecording(true); }); });
  }
}

void EditorCapture::finishRecording(bool byOwnWindow) {
  uiThread.assertCurrent("EditorCapture::finishRecording");
  if (!recorder) return;
  const std::string text = recorder->stop(byOwnWindow);
  recorder.reset();
  stopWindow.reset();
  if (stopKeyGrabbed) {
    input.endStop();
    input.releaseStopKey();
    stopKeyGrabbed = false;
  }
  wxTextCtrl& box = *target;
  restore();
  box.WriteText(WxText::fromUtf8(text));
}

void EditorCapture::pick(wxTextCtrl& text) {
  uiThread.assertCurrent("EditorCapture::pick");
  if (busy() || !text.IsEditable()) return;
  target = &text;
  hideWindow();
  try {
    picker = std::make_unique<PointPicker>(
        "", [this](std::optional<PointPicker::Point> point) { window.CallAfter([this, point] { finishPick(point); }); });
  } catch (const std::exception& failure) {
    restore();
    tell(wxString("No point can be picked: ") + WxText::fromUtf8(failure.what()));
  }
}

void EditorCapture::finishPick(std::optional<PointPicker::Point> point) {
  uiThread.assertCurrent("EditorCapture::finishPick");
  if (!picker) return;
  picker.reset();
  wxTextCtrl& box = *target;
  restore();
  if (!point) return;
  const wxString value = box.GetValue();
  const std::string text = WxText::toUtf8(value);
  const std::size_t caret = WxText::toUtf8(value.Left(static_cast<std::size_t>(selectionFrom))).size();
  static const KeyTokens tokens;
  const MouseTokenPoint::Edit edit = MouseTokenPoint::place(tokens, text, caret, point->x, point->y);
  const auto position = [&text](std::size_t bytes) {
    return static_cast<long>(WxText::fromUtf8(std::string_view(text).substr(0, bytes)).length());
  };
  const long from = position(edit.begin);
  box.Replace(from, position(edit.end), WxText::fromUtf8(edit.replacement));
  const std::string after = std::string(text).replace(edit.begin, edit.end - edit.begin, edit.replacement);
  box.SetInsertionPoint(static_cast<long>(WxText::fromUtf8(std::string_view(after).substr(0, edit.caret)).length()));
}

void EditorCapture::hideWindow() {
  target->GetSelection(&selectionFrom, &selectionTo);
  window.Hide();
  window.Disable();
}

void EditorCapture::restore() {
  window.Show();
  window.Enable();
  window.Raise();
  target->SetFocus();
  target->SetSelection(selectionFrom, selectionTo);
  target = nullptr;
}

void EditorCapture::tell(const wxString& message) {
  UserDialogs::current().tell(message, "Zentak", UserDialogs::Icon::error, &window);
}
