#pragma once

#include <wx/event.h>
#include <wx/modalhook.h>

#include <functional>

#include "shell/ExitGate.h"
#include "tern/OwnerThread.h"

class wxDialog;

// The program's quiet exit (a termination signal, a logout), made safe from modal dialogs: it
// watches every dialog shown modally, and an exit asked for while some are open cancels them and
// runs from the main loop once the last one's loop has returned. UI thread only.
class DialogSafeExit final : private wxEvtHandler, private wxModalDialogHook {
 public:
  // exit saves and ends the program.
  explicit DialogSafeExit(std::function<void()> exit);
  DialogSafeExit(const DialogSafeExit&) = delete;
  DialogSafeExit& operator=(const DialogSafeExit&) = delete;

  // Saves and ends the program now, or once the open dialogs are gone. UI thread.
  void request();

 private:
  int Enter(wxDialog* dialog) override;
  void Exit(wxDialog* dialog) override;

  const Tern::OwnerThread uiThread;
  std::function<void()> exitAction;
  ExitGate<wxDialog> gate;
};
