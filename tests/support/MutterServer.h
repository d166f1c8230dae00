#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/LocaleService.h"
#include "support/TempDir.h"
#include "support/WaylandServer.h"

// A private GNOME compositor: a D-Bus session bus of its own (no service activation) and mutter
// on it, headless, Wayland only, with one 1280x800 virtual monitor, in a runtime directory of
// its own. The bus stands in for the system bus too, where mutter asks the locale service for
// the keyboard layout. Optionally PipeWire in that directory (mutter's screen casts, which place
// the pointer exactly, need it; no session manager is needed), and the desktop portal with
// GNOME's backend on the same bus. Stopped on destruction, the portal first.
class MutterServer final : public WaylandServer {
 public:
  static constexpr int width = 1280;
  static constexpr int height = 800;

  enum class PipeWire : bool { off, on };

  // Returns once mutter accepts Wayland clients and owns its D-Bus names (and PipeWire, when
  // on, accepts clients); throws std::runtime_error when it does not. layout is the XKB layout
  // of mutter's keyboard, such as "de"; empty for "us".
  explicit MutterServer(PipeWire pipeWire = PipeWire::off, const std::string& layout = {});
  ~MutterServer() override;
  MutterServer(const MutterServer&) = delete;
  MutterServer& operator=(const MutterServer&) = delete;

  // Starts xdg-desktop-portal and xdg-desktop-portal-gnome on the bus and returns once the
  // portal answers; throws std::runtime_error when it does not.
  void startPortal();

  [[nodiscard]] const std::string& busAddress() const { return bus; }
  [[nodiscard]] std::string socketPath() const override;
  [[nodiscard]] ChildProcess spawn(std::vector<std::string> argv,
                                   ChildProcess::Output out = ChildProcess::Output::inherit) const override;

 private:
  [[nodiscard]] ChildProcess::Options optionsFor(std::vector<std::string> argv) const;
  void startPipeWire();
  void waitForName(const char* name, ChildProcess& owner, const char* what);

  TempDir dir;
  std::string bus;
  std::optional<ChildProcess> daemon;
  std::optional<ChildProcess> pipeWire;
  std::optional<LocaleService> locale;
  std::optional<ChildProcess> mutter;
  std::vector<ChildProcess> portal;
};
