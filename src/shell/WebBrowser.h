#pragma once

#include <wx/string.h>

// Opens web pages in the desktop's default browser. Windows go through the installed instance,
// so that tests can see which page would open without starting a browser. UI thread only.
class WebBrowser {
 public:
  virtual ~WebBrowser() = default;

  // Hands address to the desktop and returns at once; false when no browser could be started.
  virtual bool open(const wxString& address) = 0;

  // The installed instance; the desktop's default browser unless another was installed.
  static WebBrowser& current();
  // Installs a browser (not owned); null brings back the desktop's default browser.
  static void install(WebBrowser* browser);
};
