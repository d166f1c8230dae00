#include "frame/DesktopInput.h"

#include <exception>

#include "keys/KeyParser.h"
#include "keys/NullInjector.h"
#include "keys/Player.h"
#include "keys/StopKey.h"
#include "keys/UsLayout.h"
#include "keys/XDisplay.h"
#include "keys/XTestInjector.h"
#include "keys/XkbLayout.h"

DesktopInput::DesktopInput(const std::string& displayName, StopChord stopChord)
    : display(displayName), chord(stopChord) {
  try {
    layout = std::make_unique<XkbLayout>(display);
  } catch (const XError&) {
    layout = std::make_unique<UsLayout>();
  }
  try {
    auto xtestInjector = std::make_unique<XTestInjector>(display);
    xtest = xtestInjector.get();
    injector = std::move(xtestInjector);
  } catch (const XError&) {
    injector = std::make_unique<NullInjector>();
  }
  parser = std::make_unique<KeyParser>(tokens, *layout);
  player = std::make_unique<Player>(*injector);
}

DesktopInput::~DesktopInput() {
  releaseStopKey();
  player->releaseAll();
}

void DesktopInput::parseKeys(std::string_view text, KeyActions& list) const { parser->parseKeys(text, list); }

void DesktopInput::playKeys(const KeyActions& list) { player->playKeys(list); }

void DesktopInput::releaseHeldInput() { player->releaseAll(); }

void DesktopInput::refreshKeyboardLayout() { layout->sync(); }

bool DesktopInput::grabStopKey(std::function<void()> pressed) {
  releaseStopKey();
  if (xtest == nullptr) return false;
  try {
    auto key = std::make_unique<StopKey>(display, std::move(pressed));
    if (!key->grab(chord)) return false;
    stopKey = std::move(key);
  } catch (const std::exception&) {
    return false;
  }
  xtest->setGrabGuard(stopKey.get());
  return true;
}

void DesktopInput::releaseStopKey() {
  if (!stopKey) return;
  xtest->setGrabGuard(nullptr);
  stopKey.reset();
}

bool DesktopInput::stopKeyHeld() const { return stopKey && stopKey->chordHeld(); }

std::string DesktopInput::stopKeyName() const { return chord.format(); }
