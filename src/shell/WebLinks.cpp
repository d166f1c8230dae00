#include "shell/WebLinks.h"

#include "shell/UserDialogs.h"
#include "shell/WebBrowser.h"
#include "text/Version.h"

namespace {

constexpr const char* siteName = "www.zentak.example";
constexpr const char* siteRoot = "https://www.zentak.example/";

void openPage(const wxString& address, wxWindow* parent) {
  if (WebBrowser::current().open(address)) return;
  // Without a browser the click would otherwise do nothing at all; the address lets the user
  // get there another way.
  UserDialogs::current().tell("Failed to open the web page in your browser.\nPlease visit " + address + " yourself.",
                              "BROWSER ERROR", UserDialogs::Icon::error, parent);
}

}  // namespace

wxString WebLinks::site() { return siteName; }

wxString WebLinks::version() { return wxString::FromUTF8(Version::number.data(), Version::number.size()); }

wxString WebLinks::homePage() { return siteRoot; }

wxString WebLinks::tellAFriendPage() { return wxString(siteRoot) + "tellafriend.html"; }

wxString WebLinks::versionCheckPage() {
  return wxString(siteRoot) + "reg.php?action=version&id=Zentak&version=" + version();
}

wxString WebLinks::menuLabel() { return "Visit &" + site(); }

wxString WebLinks::menuHelp() { return "Visit " + site(); }

wxString WebLinks::logoToolTip() { return "  Visit us at " + site(); }

void WebLinks::openHomePage(wxWindow* parent) { openPage(homePage(), parent); }

void WebLinks::openTellAFriendPage(wxWindow* parent) { openPage(tellAFriendPage(), parent); }

void WebLinks::openVersionCheckPage(wxWindow* parent) { openPage(versionCheckPage(), parent); }
