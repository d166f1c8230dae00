#pragma once

#include <wx/string.h>

#include <optional>

class wxMenu;
class wxPoint;
class wxWindow;

// Everything the program asks or tells the user in a dialog of the toolkit: message boxes, file
// choosers and popup menus. Windows go through the installed instance, so that tests can answer
// in place of the user and check the exact texts. UI thread only.
class UserDialogs {
 public:
  enum class Icon { error, warning, information };

  virtual ~UserDialogs() = default;

  // A modal message box with an OK button; parent may be null (centred on the screen).
  virtual void tell(const wxString& message, const wxString& caption, Icon icon, wxWindow* parent) = 0;

  // A modal question with the buttons Yes and No, No the default; true for Yes.
  virtual bool ask(const wxString& question, const wxString& caption, wxWindow* parent) = 0;

  // A file chooser starting in folder; nothing when the user cancels. The open chooser takes
  // only an existing file; the save chooser proposes a name and asks before an existing file
  // is replaced.
  virtual std::optional<wxString> chooseFileToOpen(wxWindow* parent, const wxString& title, const wxString& wildcard,
                                                   const wxString& folder) = 0;
  virtual std::optional<wxString> chooseFileToSave(wxWindow* parent, const wxString& title, const wxString& wildcard,
                                                   const wxString& folder, const wxString& proposedName) = 0;

  // Pops the menu up at a point of window and returns once it is closed; a chosen item is sent
  // to window as a menu event, which its parents see as well.
  virtual void popUpMenu(wxWindow& window, wxMenu& menu, const wxPoint& at) = 0;

  // The installed instance; the toolkit's own dialogs unless another was installed.
  static UserDialogs& current();
  // Installs dialogs (not owned); null brings back the toolkit's own.
  static void install(UserDialogs* dialogs);
};
