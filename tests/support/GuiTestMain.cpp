// The main of the window tests: a private Xvfb, the toolkit on it, and the tests run from the
// event loop's first idle turn. A failed toolkit assertion fails the running test.

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdlib>
#include <memory>

#include "support/XvfbServer.h"

namespace {

class GuiTestApp : public wxApp {
 public:
  bool OnInit() override {
    CallAfter([this] {
      result = RUN_ALL_TESTS();
      ExitMainLoop();
    });
    return true;
  }

  int OnRun() override {
    wxApp::OnRun();
    return result;
  }

  void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                       const wxChar* msg) override {
    ADD_FAILURE_AT(wxString(file).utf8_str(), line)
        << "toolkit assertion " << wxString(cond) << " in " << wxString(func) << ": " << wxString(msg);
  }

 private:
  int result = 1;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();

  const XvfbServer xvfb;
  setenv("DISPLAY", xvfb.name().c_str(), 1);
  setenv("GDK_BACKEND", "x11", 1);
  // The tests type into their own X server, never into a Wayland desktop around them.
  unsetenv("WAYLAND_DISPLAY");
  // No accessibility bus or settings daemon in a test session.
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  wxApp::SetInstance(new GuiTestApp);
  return wxEntry(argc, argv);
}
