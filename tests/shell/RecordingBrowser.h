#pragma once

#include <vector>

#include "shell/WebBrowser.h"

// Stands in for the desktop's browser and keeps the addresses it was asked to open; installed
// for the lifetime of the object.
class RecordingBrowser final : public WebBrowser {
 public:
  RecordingBrowser() { install(this); }
  ~RecordingBrowser() override { install(nullptr); }
  RecordingBrowser(const RecordingBrowser&) = delete;
  RecordingBrowser& operator=(const RecordingBrowser&) = delete;

  bool open(const wxString& address) override {
    opened.push_back(address);
    return opens;
  }

  std::vector<wxString> opened;
  // What open answers: false plays a desktop without a browser.
  bool opens = true;
};
