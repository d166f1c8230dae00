#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "input/InputBackend.h"
#include "input/RunInput.h"
#include "keys/KeyTokens.h"
#include "input/paste/PasteKey.h"
#include "keys/StopChord.h"
#include "keys/StopSignal.h"

class Injector;
class KeyParser;
class KeyboardLayout;
class MutterSession;
class PasteBoard;
class Player;
class ReleaseGuardian;
class RemoteDesktopInjector;
class StopKey;
class XTestInjector;

// The keyboard and mouse of the desktop a run types into: the keyboard layout texts are
// translated with, the injector and the player, and the global stop key, grabbed only while a
// run is in progress. The injector is chosen by probing: in a Wayland session (WAYLAND_DISPLAY
// set) the compositor's virtual keyboard and pointer when it offers them, else KWin's fake input
// when KWin grants it, else the desktop portal's remote desktop where the session bus has one,
// else XTest on the X display, which then reaches X11 windows only; the user's choice may name
// one of them, or mutter's own remote desktop. The stop key is an X grab on the X display, if
// there is one: in a Wayland session it sees the key only while an X11 window has the focus.
// Without either service texts still translate with a
// US layout and nothing is typed. UI thread only.
class DesktopInput final : public RunInput {
 public:
  // An empty name is $DISPLAY. guardianProgram runs the release guardian (ReleaseGuardian) that
  // lets go of what XTest typing left held should this process die; empty for none. pasteKey is
  // what windows paste at, where characters the layout lacks are pasted.
  explicit DesktopInput(const std::string& displayName = {}, StopChord stopChord = StopChord::standard(),
                        InputBackend::Choice choice = InputBackend::Choice::automatic,
                        const std::string& guardianProgram = {}, PasteKey pasteKey = PasteKey::standard());
  ~DesktopInput() override;
  DesktopInput(const DesktopInput&) = delete;
  DesktopInput& operator=(const DesktopInput&) = delete;

  // Translates a stored-form text into a key-action list with the live layout. UI thread only.
  void parseKeys(std::string_view text, KeyActions& list) const;
  // Follows what the desktop has said about its keyboard so far, without a round trip, and
  // tells which layout parseKeys now translates for. UI thread only.
  [[nodiscard]] std::uint64_t layoutGeneration();

  // Opens the desktop's remote-desktop session, where typing goes through one, asking the
  // user's consent where the desktop does.
  [[nodiscard]] std::optional<std::string> prepareRun() override;
  std::size_t playKeys(const KeyActions& list, std::size_t from, std::chrono::steady_clock::time_point until) override;
  // Types the whole list. UI thread only.
  void playKeys(const KeyActions& list);
  // Only what XTest types can be told apart from the user's keys.
  [[nodiscard]] bool userHoldsModifier() const override;
  void endText() override;
  void releaseHeldInput() override;
  void refreshKeyboardLayout() override;
  bool grabStopKey(std::function<void()> pressed) override;
  void endStop() override;
  void releaseStopKey() override;
  void watchReleaseGuard(std::function<void()> lost) override;
  [[nodiscard]] bool stopKeyHeld() const override;
  [[nodiscard]] std::string stopKeyName() const override;
  [[nodiscard]] InputBackend::Used backend() const override { return used; }
  [[nodiscard]] std::string backendName() const override;
  [[nodiscard]] std::optional<std::string> backendNotice() const override;
  [[nodiscard]] KeyTextCheck::Delivery delivery(char32_t c) override;

 private:
  void useWayland();
  void useKde();
  void pasteWithDataControl();
  void useX11(const std::string& guardianProgram);
  void useRemoteDesktop(InputBackend::Used service);

  const std::string display;
  const InputBackend::Choice choice;
  const PasteKey pasteKey;
  const bool waylandSession;
  InputBackend::Used used = InputBackend::Used::none;
  KeyTokens tokens;
  std::unique_ptr<KeyboardLayout> ownLayout;
  // Raised by the stop key's worker at the chord's press, and by the release guardian's when
  // none can run; the player types nothing while it is. Outlives the guardian, which raises it.
  StopSignal stop;
  // Outlives the injector, which reports to it up to its last release.
  std::unique_ptr<ReleaseGuardian> guardian;
  // On GNOME's portal, a session of mutter's own for its clipboard alone; it outlives the board.
  std::unique_ptr<MutterSession> clipboardSession;
  // Where characters the layout lacks are pasted: the injector that types the others, and the
  // clipboard, both used by the injector below and outliving it.
  std::unique_ptr<Injector> typingInjector;
  std::unique_ptr<PasteBoard> pasteBoard;
  std::unique_ptr<Injector> injector;
  // ownLayout, or the Wayland or KWin injector, which types with a keymap of its own.
  KeyboardLayout* layout = nullptr;
  std::unique_ptr<KeyParser> parser;
  // The injector when it is XTest's, which must keep the run's own keys out of the stop key.
  XTestInjector* xtest = nullptr;
  // The injector when it types through a remote-desktop session, opened before a run.
  RemoteDesktopInjector* remote = nullptr;
  std::unique_ptr<Player> player;
  const StopChord chord;
  std::unique_ptr<StopKey> stopKey;
};
