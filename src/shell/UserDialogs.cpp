#include "shell/UserDialogs.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>

namespace {

// The toolkit's message boxes and file dialogs.
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

  std::optional<wxString> chooseFileToOpen(wxWindow* parent, const wxString& title, const wxString& wildcard) override {
    return choose(parent, title, wildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  }

  std::optional<wxString> chooseFileToSave(wxWindow* parent, const wxString& title, const wxString& wildcard) override {
    return choose(parent, title, wildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  }

 private:
  static std::optional<wxString> choose(wxWindow* parent, const wxString& title, const wxString& wildcard,
                                        long style) {
    wxFileDialog dialog(parent, title, wxEmptyString, wxEmptyString, wildcard, style);
    if (dialog.ShowModal() != wxID_OK) return std::nullopt;
    return dialog.GetPath();
  }
};

ToolkitDialogs toolkitDialogs;
UserDialogs* installed = &toolkitDialogs;

}  // namespace

UserDialogs& UserDialogs::current() { return *installed; }

void UserDialogs::install(UserDialogs* dialogs) { installed = dialogs != nullptr ? dialogs : &toolkitDialogs; }
