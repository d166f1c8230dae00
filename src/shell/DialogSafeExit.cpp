#include "shell/DialogSafeExit.h"

#include <gtk/gtk.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>

#include <utility>

namespace {

// Ends dialog as a cancel would. Message boxes run GTK's own loop (gtk_dialog_run), which only a
// response of their GTK dialog ends; the other dialogs run the toolkit's loop, which EndModal ends.
void cancel(wxDialog& dialog) {
  if (dialog.IsModal()) {
    dialog.EndModal(wxID_CANCEL);
    return;
  }
  if (dynamic_cast<wxMessageDialog*>(&dialog) == nullptr) return;
  GtkWidget* widget = dialog.GetHandle();
  if (widget != nullptr && GTK_IS_DIALOG(widget)) gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_CANCEL);
}

}  // namespace

DialogSafeExit::DialogSafeExit(std::function<void()> exit)
    : exitAction(std::move(exit)),
      gate({&cancel, [this] { exitAction(); }, [this] { CallAfter([this] { exitAction(); }); }}) {
  Register();
}

void DialogSafeExit::request() {
  uiThread.assertCurrent("DialogSafeExit::request");
  gate.request();
}

int DialogSafeExit::Enter(wxDialog* dialog) { return gate.dialogOpening(*dialog) ? wxID_NONE : wxID_CANCEL; }

void DialogSafeExit::Exit(wxDialog* dialog) { gate.dialogClosed(*dialog); }
