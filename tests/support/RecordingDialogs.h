#pragma once

#include <deque>
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

  RecordingDialogs() { install(this); }
  ~RecordingDialogs() override { install(nullptr); }
  RecordingDialogs(const RecordingDialogs&) = delete;
  RecordingDialogs& operator=(const RecordingDialogs&) = delete;

  void tell(const wxString& message, const wxString& caption, Icon icon, wxWindow* parent) override {
    messages.push_back({message, caption, icon, parent});
  }
  std::optional<wxString> chooseFileToOpen(wxWindow*, const wxString&, const wxString&) override { return nextFile(); }
  std::optional<wxString> chooseFileToSave(wxWindow*, const wxString&, const wxString&) override { return nextFile(); }

  std::vector<Message> messages;
  // Paths the next file choosers return, in order; nothing (a cancel) once used up.
  std::deque<std::optional<wxString>> files;

 private:
  std::optional<wxString> nextFile() {
    if (files.empty()) return std::nullopt;
    auto file = files.front();
    files.pop_front();
    return file;
  }
};
