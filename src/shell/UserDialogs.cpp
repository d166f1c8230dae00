#include "shell/UserDialogs.h"

#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/window.h>

namespace {

// The toolkit's message boxes, file dialogs and popup menus.
class ToolkitDialogs final : public UserDialogs {
 public:
  void tell(const wxString& message, const wxString& caption, Icon icon, wxWindow* parent) override {
    long style = wxOK | wxCENTRE;
    switch (icon) {
      case Icon::error: style |= wxICON_ERROR; break;
      case Icon::warning: style |= wxICON_WARNING; break;
      case Icon::information: style |= wxICON_INFORMATION; break;
    }
    wxMessageBox(message, caption, style, parent);
  }

  bool ask(const wxString& question, const wxString& caption, wxWindow* parent) override {
    return wxMessageBox(question, caption, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION | wxCENTRE, parent) == wxYES;
  }

  std::optional<wxString> chooseFileToOpen(wxWindow* parent, const wxString& title, const wxString& wildcard,
                                           const wxString& folder) override {
    return choose(parent, title, wildcard, folder, wxEmptyString, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  }

  std::optional<wxString> chooseFileToSave(wxWindow* parent, const wxString& title, const wxString& wildcard,
                                           const wxString& folder, const wxString& proposedName) override {
    return choose(parent, title, wildcard, folder, proposedName, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  }

  void popUpMenu(wxWindow& window, wxMenu& menu, const wxPoint& at) override { window.PopupMenu(&menu, at); }

 private:
  static std::optional<wxString> choose(wxWindow* parent, const wxString& title, const wxString& wildcard,
                                        const wxString& folder, const wxString& name, long style) {
    wxFileDialog dialog(parent, title, folder, name, wildcard, style);
    if (dialog.ShowModal() != wxID_OK) return std::nullopt;
    return dialog.GetPath();
  }
};

ToolkitDialogs toolkitDialogs;
UserDialogs* installed = &toolkitDialogs;

}  // namespace

UserDialogs& UserDialogs::current() { return *installed; }

void UserDialogs::install(UserDialogs* dialogs) { installed = dialogs != nullptr ? dialogs : &toolkitDialogs; }
