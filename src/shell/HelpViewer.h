#pragma once

class wxFrame;
class wxString;
class wxTreeCtrl;
class wxWindow;

// The user manual's viewer: a window showing a book of the toolkit's HTML help at its table of
// contents or its index. It lives in the help module (see HelpModule), which brings the toolkit's
// HTML library with it. UI thread only.
class HelpViewer {
 public:
  virtual ~HelpViewer() = default;

  // Reads the book; false when it is no book.
  virtual bool addBook(const wxString& book) = 0;
  virtual bool displayContents() = 0;
  virtual bool displayIndex() = 0;
  // The viewer's window, and the tree of its table of contents; null until first displayed.
  [[nodiscard]] virtual wxFrame* frame() = 0;
  [[nodiscard]] virtual wxTreeCtrl* contentsTree() = 0;

 protected:
  HelpViewer() = default;
  HelpViewer(const HelpViewer&) = default;
  HelpViewer& operator=(const HelpViewer&) = default;
};

// The help module's one export: a new viewer whose windows belong to owner, given to the caller.
extern "C" [[gnu::visibility("default")]] HelpViewer* zentak_make_help_viewer(wxWindow* owner);
