#pragma once

#include <wx/html/helpctrl.h>

#include "shell/HelpViewer.h"

// The manual's viewer on the toolkit's HTML help controller, without its bookmarks, titled
// "Zentak Help: " and the page's title. UI thread only.
class HtmlHelpViewer final : public HelpViewer {
 public:
  explicit HtmlHelpViewer(wxWindow* owner);

  bool addBook(const wxString& book) override;
  bool displayContents() override;
  bool displayIndex() override;
  [[nodiscard]] wxFrame* frame() override;
  [[nodiscard]] wxTreeCtrl* contentsTree() override;

 private:
  wxHtmlHelpController controller;
};
