#pragma once

#include <wx/app.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/LayoutDirection.h"
#include "keys/KeyCodes.h"

class CopyChannel;
class CopyRequests;
class DesktopInput;
class InstanceLock;
class MyFrame;
class Settings;

// The application: prepares the process (the project's folder as the working directory, image handlers,
// the key-token table and the keyboard), starts the event machinery and opens the main window.
// Everything here runs on the UI thread.
class Zentak : public wxApp {
 public:
  Zentak();
  ~Zentak() override;

  bool OnInit() override;
  int OnRun() override;
  int OnExit() override;
  [[nodiscard]] wxLayoutDirection GetLayoutDirection() const override { return LayoutDirection::ofWindows; }

  // Translates a stored-form text into a key-action list with the live keyboard layout.
  void parseKeys(std::string_view text, KeyActions& list) const;
  // Plays a key-action list into whatever window has the focus.
  void playKeys(const KeyActions& list);

  // The main window; null until it exists and once it is gone.
  [[nodiscard]] MyFrame* frame() const { return mainFrame; }
  // The program's folder, where its help book lies or from where it is found.
  [[nodiscard]] const std::filesystem::path& programFolder() const { return program; }

 private:
  std::filesystem::path program;
  // The folder of the project file and the crash report (ProjectFolder).
  std::filesystem::path folder;
  std::unique_ptr<DesktopInput> desktop;
  std::unique_ptr<Settings> settings;
  // Held for the whole run, so that a second copy leaves this folder's project alone.
  std::unique_ptr<InstanceLock> instanceLock;
  // Where copies started later ask this one to bring its window to the front, run a group...
  std::unique_ptr<CopyRequests> requests;
  std::unique_ptr<CopyChannel> channel;
  MyFrame* mainFrame = nullptr;
  // The group the command line asks to run, once the project is loaded (in the copy running on
  // it, if any).
  std::optional<std::string> startRun;
  // The program ends at once with this status, without its window: another copy runs on this
  // folder, which this one has handed over to or told the user of, or its command line asked
  // for a group the project lacks.
  std::optional<int> endStatus;
};

wxDECLARE_APP(Zentak);
