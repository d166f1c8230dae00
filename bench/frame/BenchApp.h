#pragma once

#include <wx/app.h>

#include <functional>
#include <memory>
#include <string>

#include "app/LayoutDirection.h"
#include "support/XvfbServer.h"

// The toolkit application a window benchmark runs in: measure runs from the event loop's first
// turn, the loop ends after it, and the process exits with measure's result, or 1 when it threw
// or the toolkit asserted. Diagnostics go to stderr; stdout carries the figures only.
class BenchApp : public wxApp {
 public:
  BenchApp(std::string programName, std::function<int()> measure);

  bool OnInit() override;
  int OnRun() override;
  // As the program's.
  [[nodiscard]] wxLayoutDirection GetLayoutDirection() const override { return LayoutDirection::ofWindows; }
  void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                       const wxChar* msg) override;

  // Starts a private Xvfb and points the toolkit of this process at it, in the program's
  // environment.
  static std::unique_ptr<XvfbServer> startPrivateDisplay();

 private:
  const std::string name;
  const std::function<int()> run;
  int result = 1;
  bool failedAssertion = false;
};
