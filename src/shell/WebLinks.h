#pragma once

#include <wx/string.h>

class wxWindow;

// The product's web pages, the texts that name its site, and opening the pages. The pages open
// through the installed WebBrowser; a page that cannot be opened is reported through the
// installed UserDialogs. UI thread only.
class WebLinks {
 public:
  // The site as shown to the user, without a scheme: "www.zentak.example".
  static wxString site();
  // The program's version, as in the window title "Zentak v2.0": "2.0".
  static wxString version();

  static wxString homePage();
  static wxString tellAFriendPage();
  // The version check, carrying the running version.
  static wxString versionCheckPage();

  // The Help menu's web-site item: its label, its status-bar help, and the status-bar logo
  // button's tool tip.
  static wxString menuLabel();
  static wxString menuHelp();
  static wxString logoToolTip();

  // Open a page and return at once; parent owns the error message if the page cannot be opened.
  static void openHomePage(wxWindow* parent);
  static void openTellAFriendPage(wxWindow* parent);
  static void openVersionCheckPage(wxWindow* parent);
};
