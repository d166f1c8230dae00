#pragma once

#include <type_traits>  // wx/weakref.h uses std::is_base_of without including it

#include <wx/weakref.h>

#include <filesystem>
#include <memory>
#include <string_view>

#include "shell/HelpModule.h"
#include "shell/HelpPopup.h"
#include "shell/HelpViewer.h"

class wxWindow;

// The user manual, a book of the toolkit's HTML help with a table of contents and an index shown
// by the viewer of the help module, and the short popup help of the editor controls. The
// manual's window belongs to the owner given at construction. A book or module that cannot be
// found or read is reported to the user when the manual is asked for. UI thread only.
class HelpBook {
 public:
  static constexpr std::string_view fileName = "Zentak.htb";

  // The book of a program in programFolder: beside it (a copy in a folder of its own, or the
  // build tree) or in ../share/zentak (installed). Empty when there is neither.
  static std::filesystem::path locate(const std::filesystem::path& programFolder);

  // The window whose popup help F1 shows when focused has the keyboard focus: focused itself
  // when its id is positive, else its parent when that id is positive (the inner fields of a
  // compound control share their control's help), else none.
  static wxWindow* popupTarget(wxWindow* focused);

  explicit HelpBook(wxWindow* owner);
  ~HelpBook();
  HelpBook(const HelpBook&) = delete;
  HelpBook& operator=(const HelpBook&) = delete;

  // The book file to show; read when first shown.
  void setBook(const std::filesystem::path& book);
  [[nodiscard]] const std::filesystem::path& book() const { return path; }
  // The help module whose viewer shows the book; loaded when the book is first shown.
  void setViewerModule(const std::filesystem::path& module);

  // Opens the manual at its table of contents or at its index; false when the book cannot be
  // shown (the user has been told).
  bool showContents();
  bool showIndex();
  // Popup help for the window with the keyboard focus (may be null): the short text of its
  // control beside the control, or the table of contents where no control has a text.
  void showPopupFor(wxWindow* focused);

  // The manual's window, null until it was first shown.
  [[nodiscard]] HelpViewer* viewer() const { return controller.get(); }
  // The popup shown last, null once it is gone.
  [[nodiscard]] HelpPopup* popup() const { return currentPopup.get(); }

 private:
  bool load();
  void sizeWindow();

  wxWindow* owner;
  std::filesystem::path path;
  HelpModule viewerModule;
  std::unique_ptr<HelpViewer> controller;
  bool sized = false;
  wxWeakRef<HelpPopup> currentPopup;
};
