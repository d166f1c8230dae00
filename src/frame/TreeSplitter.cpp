#include "frame/TreeSplitter.h"

namespace {

// Room for a few characters of a label beside the tree's scroll bar.
constexpr int treeMinWidth = 100;

}  // namespace

TreeSplitter::TreeSplitter(wxWindow* parent, TreeShare share)
    : wxSplitterWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                       wxSP_LIVE_UPDATE | wxSP_3DSASH | wxSP_NOBORDER),
      treeShare(share) {
  // Never folded away: a divider dragged to the edge stops at the tree's smallest width.
  SetMinimumPaneSize(FromDIP(treeMinWidth));
  Bind(wxEVT_SIZE, &TreeSplitter::onSize, this);
}

void TreeSplitter::split(wxWindow* tree, wxWindow* editors) {
  SplitVertically(tree, editors, treeShare.position(GetClientSize().GetWidth()));
}

void TreeSplitter::keepEditorWidth(int width) { editorWidth = width; }

int TreeSplitter::smallestWidth() const { return treeShare.smallestWidth(editorWidth, GetSashSize()); }

int TreeSplitter::limited(int position) const {
  return TreeShare::limit(position, GetClientSize().GetWidth(), GetMinimumPaneSize(), editorWidth, GetSashSize());
}

int TreeSplitter::OnSashPositionChanging(int position) {
  // Asked only as the user drags the divider, which then goes where this says.
  const int allowed = limited(position);
  treeShare = treeShare.movedTo(allowed, GetClientSize().GetWidth());
  return allowed;
}

void TreeSplitter::onSize(wxSizeEvent& event) {
  // Before the toolkit's own handling, which then finds the divider where the share puts it.
  if (const int width = GetClientSize().GetWidth(); width > 0 && IsSplit()) {
    SetSashPosition(limited(treeShare.position(width)), false);
  }
  event.Skip();
}
