#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "frame/InputBackend.h"
#include "frame/RunInput.h"
#include "keys/KeyTokens.h"
#include "keys/StopChord.h"

class Injector;
class KeyParser;
class KeyboardLayout;
class Player;
class StopKey;
class XTestInjector;

// The keyboard and mouse of the desktop a run types into: the keyboard layout texts are
// translated with, the injector and the player, and the global stop key, grabbed only while a
// run is in progress. The injector is chosen by probing: in a Wayland session (WAYLAND_DISPLAY
// set) the compositor's virtual keyboard and pointer when it offers them, else XTest on the X
// display, which then reaches X11 windows only; the user's choice may name one of them. The
// stop key is an X grab on the X display, if there is one: in a Wayland session it sees the key
// only while an X11 window has the focus. Without either service texts still translate with a
// US layout and nothing is typed. UI thread only.
class DesktopInput final : public RunInput {
 public:
  // An empty name is $DISPLAY.
  explicit DesktopInput(const std::string& displayName = {}, StopChord stopChord = StopChord::standard(),
                        InputBackend::Choice choice = InputBackend::Choice::automatic);
  ~DesktopInput() override;
  DesktopInput(const DesktopInput&) = delete;
  DesktopInput& operator=(const DesktopInput&) = delete;

  // Translates a stored-form text into a key-action list with the live layout. UI thread only.
  void parseKeys(std::string_view text, KeyActions& list) const;
  // Follows what the desktop has said about its keyboard so far, without a round trip, and
  // tells which layout parseKeys now translates for. UI thread only.
  [[nodiscard]] std::uint64_t layoutGeneration();

  void playKeys(const KeyActions& list) override;
  void releaseHeldInput() override;
  void refreshKeyboardLayout() override;
  bool grabStopKey(std::function<void()> pressed) override;
  void releaseStopKey() override;
  [[nodiscard]] bool stopKeyHeld() const override;
  [[nodiscard]] std::string stopKeyName() const override;
  [[nodiscard]] InputBackend::Used backend() const override { return used; }
  [[nodiscard]] std::string backendName() const override;
  [[nodiscard]] std::optional<std::string> backendNotice() const override;

 private:
  void useWayland();
  void useX11();

  const std::string display;
  const InputBackend::Choice choice;
  const bool waylandSession;
  InputBackend::Used used = InputBackend::Used::none;
  KeyTokens tokens;
  std::unique_ptr<KeyboardLayout> ownLayout;
  std::unique_ptr<Injector> injector;
  // ownLayout, or the Wayland injector, which types with a keymap of its own.
  KeyboardLayout* layout = nullptr;
  std::unique_ptr<KeyParser> parser;
  // The injector when it is XTest's, which must keep the run's own keys out of the stop key.
  XTestInjector* xtest = nullptr;
  std::unique_ptr<Player> player;
  const StopChord chord;
  std::unique_ptr<StopKey> stopKey;
};
