// The main of the window tests: a private Xvfb (or, in zentak_guitest_sway, a private headless
// sway), the toolkit on it, and the tests run from the event loop's first idle turn. A failed toolkit assertion fails the running test, and so does
// a critical message of the toolkit's libraries or a warning of GTK itself (a control laid out
// at a negative size, say), which would otherwise only scroll past on the terminal.

#include <glib.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>
#include <string_view>
#include <memory>

#include "support/ToolkitMessages.h"
#include "support/XvfbServer.h"
#ifdef ZENTAK_GUITEST_ON_SWAY
#include "support/SwayGuiTest.h"
#endif

namespace {

// The toolkit may log from threads of its own.
std::mutex allowedLock;
std::vector<std::string> allowedMessages;

bool isAllowed(std::string_view message) {
  const std::scoped_lock lock(allowedLock);
  return std::any_of(allowedMessages.begin(), allowedMessages.end(),
                     [&](const std::string& text) { return message.find(text) != std::string_view::npos; });
}

GLogWriterOutput failOnToolkitComplaints(GLogLevelFlags level, const GLogField* fields, gsize count,
                                          gpointer data) {
  std::string_view domain;
  std::string_view message;
  for (gsize i = 0; i < count; ++i) {
    if (fields[i].length >= 0) continue;  // only text fields are read
    const auto* value = static_cast<const char*>(fields[i].value);
    if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0) domain = value;
    if (std::strcmp(fields[i].key, "MESSAGE") == 0) message = value;
  }
  const bool critical = (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL)) != 0;
  const bool gtkWarning = (level & G_LOG_LEVEL_WARNING) != 0 && (domain == "Gtk" || domain == "Gdk");
  if ((critical || gtkWarning) && !isAllowed(message)) ADD_FAILURE() << domain << (critical ? "-CRITICAL: " : "-WARNING: ") << message;
  return g_log_writer_default(level, fields, count, data);
}

class GuiTestApp : public wxApp {
 public:
  bool OnInit() override {
    // The toolkit's own log window would wait for a click that never comes: its messages go to
    // the test's output instead.
    delete wxLog::SetActiveTarget(new wxLogStderr);
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

AllowedToolkitMessage::AllowedToolkitMessage(std::string text) : allowed(std::move(text)) {
  const std::scoped_lock lock(allowedLock);
  allowedMessages.push_back(allowed);
}

AllowedToolkitMessage::~AllowedToolkitMessage() {
  const std::scoped_lock lock(allowedLock);
  allowedMessages.erase(std::find(allowedMessages.begin(), allowedMessages.end(), allowed));
}

#ifdef ZENTAK_GUITEST_ON_SWAY
namespace {
const SwayServer* compositor = nullptr;
}  // namespace

const SwayServer& GuiTest::sway() { return *compositor; }
#endif

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();

  g_log_set_writer_func(failOnToolkitComplaints, nullptr, nullptr);
#ifdef ZENTAK_GUITEST_ON_SWAY
  const SwayServer server;
  compositor = &server;
  setenv("XDG_RUNTIME_DIR", server.runtimeDir().c_str(), 1);
  setenv("WAYLAND_DISPLAY", server.socketPath().c_str(), 1);
  setenv("GDK_BACKEND", "wayland", 1);
  // The tests type into their own compositor, never into an X display around them.
  unsetenv("DISPLAY");
#else
  const XvfbServer xvfb;
  setenv("DISPLAY", xvfb.name().c_str(), 1);
  setenv("GDK_BACKEND", "x11", 1);
  // The tests type into their own X server, never into a Wayland desktop around them.
  unsetenv("WAYLAND_DISPLAY");
#endif
  // No accessibility bus or settings daemon in a test session.
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  // Nor a session bus, unless a test starts its own: no notice reaches the user's desktop.
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zentak-test-bus", 1);
  wxApp::SetInstance(new GuiTestApp);
  return wxEntry(argc, argv);
}
