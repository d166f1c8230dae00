#include "input/DesktopInput.h"

#include <cstdlib>
#include <exception>

#include "input/wayland/DataControlPasteBoard.h"
#include "keys/KeyParser.h"
#include "input/kde/KwinInjector.h"
#include "input/gnome/MutterPasteBoard.h"
#include "input/gnome/MutterSession.h"
#include "keys/NullInjector.h"
#include "input/paste/PasteKey.h"
#include "input/paste/PastingInjector.h"
#include "input/gnome/PortalSession.h"
#include "keys/Player.h"
#include "input/x11/ReleaseGuardian.h"
#include "input/gnome/RemoteDesktopInjector.h"
#include "input/x11/StopKey.h"
#include "keys/UsLayout.h"
#include "input/wayland/WaylandInjector.h"
#include "input/x11/XDisplay.h"
#include "input/x11/XTestInjector.h"
#include "input/x11/XkbLayout.h"
#include "project/Settings.h"

namespace {

bool isWaylandSession() {
  const char* socket = std::getenv("WAYLAND_DISPLAY");
  return socket != nullptr && *socket != '\0';
}

}  // namespace

DesktopInput::DesktopInput(const std::string& displayName, StopChord stopChord, InputBackend::Choice backendChoice,
                           const std::string& guardianProgram, PasteKey paste)
    : display(displayName),
      choice(backendChoice),
      pasteKey(paste),
      waylandSession(isWaylandSession()),
      chord(stopChord) {
  const InputBackend::Plan plan = InputBackend::plan(choice, waylandSession);
  if (plan.tryWayland) useWayland();
  if (plan.tryKde && used == InputBackend::Used::none) useKde();
  if (plan.tryPortal && used == InputBackend::Used::none) useRemoteDesktop(InputBackend::Used::portal);
  if (plan.tryMutter) useRemoteDesktop(InputBackend::Used::mutter);
  if (plan.tryX11 && used == InputBackend::Used::none) useX11(guardianProgram);
  if (layout == nullptr) {
    try {
      ownLayout = std::make_unique<XkbLayout>(display);
    } catch (const XError&) {
      ownLayout = std::make_unique<UsLayout>();
    }
    layout = ownLayout.get();
  }
  if (!injector) injector = std::make_unique<NullInjector>();
  parser = std::make_unique<KeyParser>(tokens, *layout);
  player = std::make_unique<Player>(*injector, &stop);
}

void DesktopInput::useWayland() {
  try {
    auto wayland = std::make_unique<WaylandInjector>(WaylandInjector::Options{});
    layout = wayland.get();
    injector = std::move(wayland);
    used = InputBackend::Used::wayland;
  } catch (const WaylandError&) {
    // No compositor, or one without a virtual keyboard: the next service is tried.
  }
}

void DesktopInput::useKde() {
  try {
    auto kde = std::make_unique<KwinInjector>();
    layout = kde.get();
    injector = std::move(kde);
    used = InputBackend::Used::kde;
    pasteWithDataControl();
  } catch (const WaylandError&) {
    // No KWin, or one that grants this program no fake input: the next service is tried.
  }
}

// Characters the desktop's keymap has no key for are pasted, where the compositor lets this
// program set the clipboard (KWin does).
void DesktopInput::pasteWithDataControl() {
  try {
    pasteBoard = std::make_unique<DataControlPasteBoard>();
  } catch (const std::exception&) {
    // No data control: those characters are skipped.
    return;
  }
  typingInjector = std::move(injector);
  injector = std::make_unique<PastingInjector>(*typingInjector, *pasteBoard, pasteKey);
}

// The session itself is opened before the first run, not here: a desktop may ask the user.
void DesktopInput::useRemoteDesktop(InputBackend::Used service) {
  try {
    std::unique_ptr<RemoteDesktopSession> session;
    MutterSession* mutter = nullptr;
    if (service == InputBackend::Used::portal) {
      session = std::make_unique<PortalSession>(std::string(), Settings::userFolder() / "portal-restore-token");
    } else {
      auto own = std::make_unique<MutterSession>();
      mutter = own.get();
      session = std::move(own);
    }
    if (!session->offered()) return;
    const char* compositor = std::getenv("WAYLAND_DISPLAY");
    auto typing = std::make_unique<RemoteDesktopInjector>(std::move(session), InputPacer::gnome,
                                                          waylandSession ? compositor : "");
    layout = typing.get();
    remote = typing.get();
    if (mutter != nullptr) {
      pasteBoard = std::make_unique<MutterPasteBoard>(*mutter);
      typingInjector = std::move(typing);
      injector = std::make_unique<PastingInjector>(*typingInjector, *pasteBoard, pasteKey);
    } else if (auto own = std::make_unique<MutterSession>(); own->offered()) {
      // GNOME's portal has no clipboard (before version 1.18), and GNOME lets only the focused
      // window set one: the clipboard of a session of mutter's own, which unsandboxed programs
      // may open, is the one left. It types nothing.
      clipboardSession = std::move(own);
      pasteBoard = std::make_unique<MutterPasteBoard>(*clipboardSession);
      typingInjector = std::move(typing);
      injector = std::make_unique<PastingInjector>(*typingInjector, *pasteBoard, pasteKey);
    } else {
      // Plasma's KWin lets any program set the clipboard.
      injector = std::move(typing);
      pasteWithDataControl();
    }
    used = service;
  } catch (const std::exception&) {
    // No session bus, or no service on it.
  }
}

void DesktopInput::useX11(const std::string& guardianProgram) {
  try {
    auto xtestInjector = std::make_unique<XTestInjector>(display);
    if (!guardianProgram.empty()) {
      guardian = std::make_unique<ReleaseGuardian>(guardianProgram, display);
      xtestInjector->setHeldInputReport(guardian.get());
    }
    xtest = xtestInjector.get();
    injector = std::move(xtestInjector);
    used = InputBackend::Used::x11;
  } catch (const XError&) {
    // No X display, or one without XTEST.
  }
}

DesktopInput::~DesktopInput() {
  releaseStopKey();
  player->releaseAll();
}

void DesktopInput::parseKeys(std::string_view text, KeyActions& list) const { parser->parseKeys(text, list); }

std::uint64_t DesktopInput::layoutGeneration() {
  layout->sync();
  return layout->generation();
}

std::optional<std::string> DesktopInput::prepareRun() {
  if (remote == nullptr) return std::nullopt;
  try {
    remote->open();
  } catch (const RemoteDesktopError& error) {
    return std::string("Zentak cannot type on this desktop: ") + error.what() + ".\nThe run does not start.";
  }
  try {
    if (clipboardSession) clipboardSession->open();
  } catch (const RemoteDesktopError&) {
    // Without it the characters the layout lacks are skipped; the typing goes ahead.
  }
  return std::nullopt;
}

std::size_t DesktopInput::playKeys(const KeyActions& list, std::size_t from,
                                  std::chrono::steady_clock::time_point until) {
  return player->playSome(list, from, until);
}

void DesktopInput::playKeys(const KeyActions& list) { player->playKeys(list); }

bool DesktopInput::userHoldsModifier() const { return xtest != nullptr && xtest->othersHoldModifier(); }

void DesktopInput::endText() { injector->endText(); }

// The spare keycodes a run bound for characters the layout lacks go back with the held keys.
void DesktopInput::releaseHeldInput() {
  player->releaseAll();
  if (xtest != nullptr) xtest->giveBackSpareKeys();
}

void DesktopInput::refreshKeyboardLayout() { layout->sync(); }

// The key is an X grab whatever types the run: on a Wayland desktop it sees the key while an
// X11 (XWayland) window has the focus.
bool DesktopInput::grabStopKey(std::function<void()> pressed) {
  releaseStopKey();
  stop.lower();
  try {
    auto key = std::make_unique<StopKey>(display, [this, reported = std::move(pressed)] {
      stop.raise();
      reported();
    });
    if (!key->grab(chord)) return false;
    stopKey = std::move(key);
  } catch (const std::exception&) {
    return false;
  }
  if (xtest != nullptr) xtest->setGrabGuard(stopKey.get());
  return true;
}

void DesktopInput::endStop() {
  if (stopKey) stopKey->letGo();
  stop.lower();
}

void DesktopInput::releaseStopKey() {
  if (!stopKey) return;
  if (xtest != nullptr) xtest->setGrabGuard(nullptr);
  stopKey.reset();
}

// Typing stops at once, before the run's event arrives: the player may be in the middle of a
// text that would press more keys without a guard.
void DesktopInput::watchReleaseGuard(std::function<void()> lost) {
  if (!guardian) return;
  if (!lost) {
    guardian->onLost({});
    return;
  }
  guardian->onLost([this, reported = std::move(lost)] {
    stop.raise();
    reported();
  });
}

bool DesktopInput::stopKeyHeld() const { return stopKey && stopKey->chordHeld(); }

std::string DesktopInput::stopKeyName() const { return chord.format(); }

std::string DesktopInput::backendName() const { return std::string(InputBackend::name(used)); }

std::optional<std::string> DesktopInput::backendNotice() const {
  return InputBackend::notice(used, choice, waylandSession);
}

KeyTextCheck::Delivery DesktopInput::delivery(char32_t c) {
  if (!typingInjector) return injector->canType(c) ? KeyTextCheck::Delivery::typed : KeyTextCheck::Delivery::skipped;
  if (typingInjector->canType(c)) return KeyTextCheck::Delivery::typed;
  return pasteBoard->available() ? KeyTextCheck::Delivery::pasted : KeyTextCheck::Delivery::skipped;
}
