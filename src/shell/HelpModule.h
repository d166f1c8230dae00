#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "shell/HelpViewer.h"
#include "tern/OwnerThread.h"

class wxWindow;

// The module holding the user manual's viewer. The program loads it, and with it the toolkit's
// HTML library, only when the manual is first opened. A module once loaded stays loaded until the
// process ends: the toolkit deletes the viewer's windows after the viewer is gone, and the HTML
// library's parts started here are used to the end. UI thread only.
class HelpModule {
 public:
  // The module's file name.
  static std::string_view fileName();

  // The module of a program in programFolder: beside it (a copy in a folder of its own, or the
  // build tree) or in the installed place below the prefix. Empty when there is neither.
  static std::filesystem::path locate(const std::filesystem::path& programFolder);

  explicit HelpModule(std::filesystem::path file = {});

  [[nodiscard]] const std::filesystem::path& file() const { return path; }

  // A new viewer whose windows belong to owner; null when the file cannot be loaded or is no
  // help module.
  [[nodiscard]] std::unique_ptr<HelpViewer> makeViewer(wxWindow* owner) const;

 private:
  std::filesystem::path path;
  Tern::OwnerThread uiThread;
};
