#include "shell/WebBrowser.h"

#include <wx/log.h>
#include <wx/utils.h>

namespace {

// The desktop's default browser.
class DefaultBrowser final : public WebBrowser {
 public:
  bool open(const wxString& address) override {
    // A failure is reported to the user by the caller; the toolkit's own log message would be a
    // second report.
    const wxLogNull quiet;
    return wxLaunchDefaultBrowser(address, wxBROWSER_NOBUSYCURSOR);
  }
};

DefaultBrowser defaultBrowser;
WebBrowser* installed = &defaultBrowser;

}  // namespace

WebBrowser& WebBrowser::current() { return *installed; }

void WebBrowser::install(WebBrowser* browser) { installed = browser != nullptr ? browser : &defaultBrowser; }
