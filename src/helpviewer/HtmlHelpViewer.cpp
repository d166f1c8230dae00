#include "helpviewer/HtmlHelpViewer.h"

#include <wx/filename.h>
#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>

HtmlHelpViewer::HtmlHelpViewer(wxWindow* owner) : controller(wxHF_DEFAULT_STYLE & ~wxHF_BOOKMARKS, owner) {
  controller.SetTitleFormat("Zentak Help: %s");
}

bool HtmlHelpViewer::addBook(const wxString& book) { return controller.AddBook(wxFileName(book)); }

bool HtmlHelpViewer::displayContents() { return controller.DisplayContents(); }

bool HtmlHelpViewer::displayIndex() { return controller.DisplayIndex(); }

wxFrame* HtmlHelpViewer::frame() { return controller.GetFrame(); }

wxTreeCtrl* HtmlHelpViewer::contentsTree() {
  wxHtmlHelpWindow* window = controller.GetHelpWindow();
  return window != nullptr ? window->GetTreeCtrl() : nullptr;
}

HelpViewer* zentak_make_help_viewer(wxWindow* owner) { return new HtmlHelpViewer(owner); }
