#pragma once

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

// Holds the program's exit back while modal dialogs are open. A dialog runs an event loop of its
// own on the stack of whatever opened it; closing the window under it would destroy the dialog's
// parent (and a dialog living on that stack) while the loop still uses them. So an exit asked for
// meanwhile first ends the open dialogs, as if the user had cancelled them, and runs once the
// last of their loops has returned; from then on no dialog opens. Plain decisions, without
// windows: the caller reports its dialogs and supplies the actions. UI thread only.
template <typename Dialog>
class ExitGate {
 public:
  struct Actions {
    // Ends one open dialog as a cancel would; its loop returns later.
    std::function<void(Dialog&)> endDialog;
    // Saves and ends the program, at once.
    std::function<void()> exit;
    // Has exit run from the main loop, once the stack that reported the last dialog closed has
    // unwound.
    std::function<void()> postExit;
  };

  explicit ExitGate(Actions actions) : act(std::move(actions)) {}

  // dialog is about to run its loop: false when the exit is due, and it must not show. A dialog
  // may be reported more than once (a class and its base both report it), and closes as often.
  [[nodiscard]] bool dialogOpening(Dialog& dialog) {
    if (requested) return false;
    open.push_back(&dialog);
    return true;
  }

  // dialog's loop has returned.
  void dialogClosed(Dialog& dialog) {
    const auto last = std::find(open.rbegin(), open.rend(), &dialog);
    if (last != open.rend()) open.erase(std::next(last).base());
    if (requested && open.empty() && !exited) {
      exited = true;
      act.postExit();
    }
  }

  // The program is to save and end: at once when no dialog is open, else once they are gone. Each
  // open dialog is ended once, the innermost first; the exit runs once.
  void request() {
    if (exited) return;
    requested = true;
    if (open.empty()) {
      exited = true;
      act.exit();
      return;
    }
    // Walked as it stands now, should ending a dialog report it closed at once.
    const std::vector<Dialog*> toEnd(open.rbegin(), open.rend());
    for (Dialog* dialog : toEnd) {
      if (std::find(ended.begin(), ended.end(), dialog) != ended.end()) continue;
      ended.push_back(dialog);
      act.endDialog(*dialog);
    }
  }

 private:
  Actions act;
  // Open dialogs, innermost last.
  std::vector<Dialog*> open;
  // Dialogs already ended, whose loops may not have returned yet.
  std::vector<Dialog*> ended;
  bool requested = false;
  bool exited = false;
};
