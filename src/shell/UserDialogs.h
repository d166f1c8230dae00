#pragma once

#include <wx/string.h>

#include <optional>

class wxWindow;

// Everything the program asks or tells the user in a dialog of the toolkit: message boxes and
// file choosers. Windows go through the installed instance, so that tests can answer in place
// of the user and check the exact texts. UI thread only.
class UserDialogs {
 public:
  enum class Icon { error, warning, information };

  virtual ~UserDialogs() = default;

  // A modal message box with an OK button; parent may be null (centred on the screen).
  virtual void tell(const wxString& message, const wxString& caption, Icon icon, wxWindow* parent) = 0;

  // A file chooser; nothing when the user cancels.
  virtual std::optional<wxString> chooseFileToOpen(wxWindow* parent, const wxString& title,
                                                   const wxString& wildcard) = 0;
  virtual std::optional<wxString> chooseFileToSave(wxWindow* parent, const wxString& title,
                                                   const wxString& wildcard) = 0;

  // The installed instance; the toolkit's own dialogs unless another was installed.
  static UserDialogs& current();
  // Installs dialogs (not owned); null brings back the toolkit's own.
  static void install(UserDialogs* dialogs);
};
