#pragma once

#include <wx/splitter.h>

#include "project/TreeShare.h"

class Settings;

// The divider between the command tree and the editors. The tree keeps its share of the width
// as the window is resized, and the user moves the divider anywhere that leaves the editors
// their smallest width; the share is kept in the settings between runs. UI thread only.
class TreeSplitter final : public wxSplitterWindow {
 public:
  TreeSplitter(wxWindow* parent, TreeShare share);

  // Puts the tree on the left and the editors on the right.
  void split(wxWindow* tree, wxWindow* editors);
  // The editors' smallest width; the divider never takes it from them.
  void keepEditorWidth(int width);
  // The smallest width in which the tree has its share beside the editors whole.
  [[nodiscard]] int smallestWidth() const;
  [[nodiscard]] const TreeShare& share() const { return treeShare; }

 private:
  int OnSashPositionChanging(int position) override;
  void onSize(wxSizeEvent& event);
  [[nodiscard]] int limited(int position) const;

  TreeShare treeShare;
  int editorWidth = 0;
};
