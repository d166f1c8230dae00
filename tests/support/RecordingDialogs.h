#pragma once

#include <wx/menu.h>
#include <wx/window.h>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "shell/UserDialogs.h"

// Answers the program's dialogs in place of the user and keeps what it was told; installed for
// the lifetime of the object.
class RecordingDialogs final : public UserDialogs {
 public:
  struct Message {
    wxString text;
    wxString caption;
    Icon icon;
    wxWindow* parent;
  };
  struct FileRequest {
    wxString title;
    wxString wildcard;
    wxString folder;
    wxString proposedName;
    bool save;
  };
  // One entry of a popped-up menu, in menu order; a submenu's items follow its title one level
  // deeper.
  struct MenuEntry {
    int id;
    wxString label;
    wxString help;
    int depth;
    bool separator;
  };
  struct Popup {
    wxWindow* window;
    wxPoint at;
    std::vector<MenuEntry> entries;
  };

  RecordingDialogs() { install(this); }
  ~RecordingDialogs() override { install(nullptr); }
  RecordingDialogs(const RecordingDialogs&) = delete;
  RecordingDialogs& operator=(const RecordingDialogs&) = delete;

  void tell(const wxString& message, const wxString& caption, Icon icon, wxWindow* parent) override {
    messages.push_back({message, caption, icon, parent});
  }
  // Answers with the next queued answer; No once they are used up.
  bool ask(const wxString& question, const wxString&, wxWindow*) override {
    questions.push_back(question);
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  std::optional<wxString> chooseFileToOpen(wxWindow*, const wxString& title, const wxString& wildcard,
                                           const wxString& folder) override {
    fileRequests.push_back({title, wildcard, folder, wxEmptyString, false});
    return nextFile();
  }
  std::optional<wxString> chooseFileToSave(wxWindow*, const wxString& title, const wxString& wildcard,
                                           const wxString& folder, const wxString& proposedName) override {
    fileRequests.push_back({title, wildcard, folder, proposedName, true});
    return nextFile();
  }
  // Keeps the menu's entries, then chooses the next queued id as the toolkit reports a choice;
  // with none queued the menu is closed without one.
  void popUpMenu(wxWindow& window, wxMenu& menu, const wxPoint& at) override {
    Popup popup{&window, at, {}};
    keepEntries(menu, 0, popup.entries);
    popups.push_back(std::move(popup));
    if (whileOpen) whileOpen(window, menu);
    if (menuChoices.empty()) return;
    wxCommandEvent chosen(wxEVT_MENU, menuChoices.front());
    menuChoices.pop_front();
    chosen.SetEventObject(&menu);
    window.HandleWindowEvent(chosen);
  }

  std::vector<Message> messages;
  std::vector<wxString> questions;
  std::deque<bool> answers;
  std::vector<FileRequest> fileRequests;
  std::vector<Popup> popups;
  // Paths the next file choosers return, in order; nothing (a cancel) once used up.
  std::deque<std::optional<wxString>> files;
  // Ids the next popup menus choose, in order.
  std::deque<int> menuChoices;
  // What the user does while a popup menu is open, before it is closed.
  std::function<void(wxWindow& window, wxMenu& menu)> whileOpen;

 private:
  std::optional<wxString> nextFile() {
    if (files.empty()) return std::nullopt;
    auto file = files.front();
    files.pop_front();
    return file;
  }

  static void keepEntries(const wxMenu& menu, int depth, std::vector<MenuEntry>& out) {
    for (const wxMenuItem* item : menu.GetMenuItems()) {
      out.push_back({item->GetId(), item->GetItemLabel(), item->GetHelp(), depth, item->IsSeparator()});
      if (const wxMenu* sub = item->GetSubMenu()) keepEntries(*sub, depth + 1, out);
    }
  }
};
