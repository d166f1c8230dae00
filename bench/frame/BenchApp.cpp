#include "BenchApp.h"

#include <cstdlib>
#include <exception>
#include <iostream>

#include "app/ToolkitEnvironment.h"

BenchApp::BenchApp(std::string programName, std::function<int()> measure)
    : name(std::move(programName)), run(std::move(measure)) {}

bool BenchApp::OnInit() {
  CallAfter([this] {
    try {
      result = run();
    } catch (const std::exception& error) {
      std::cerr << name << ": " << error.what() << '\n';
      result = 1;
    }
    ExitMainLoop();
  });
  return true;
}

int BenchApp::OnRun() {
  wxApp::OnRun();
  return failedAssertion ? 1 : result;
}

void BenchApp::OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                               const wxChar* msg) {
  failedAssertion = true;
  std::cerr << "toolkit assertion " << wxString(cond) << " in " << wxString(func) << " at " << wxString(file) << ':'
            << line << ": " << wxString(msg) << '\n';
}

std::unique_ptr<XvfbServer> BenchApp::startPrivateDisplay() {
  auto server = std::make_unique<XvfbServer>();
  setenv("DISPLAY", server->name().c_str(), 1);
  setenv("GDK_BACKEND", "x11", 1);
  unsetenv("WAYLAND_DISPLAY");
  // No accessibility bus or settings daemon in a benchmark session.
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  // The toolkit starts as it does in the program.
  ToolkitEnvironment::prepare();
  return server;
}
