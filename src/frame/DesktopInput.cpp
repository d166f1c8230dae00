#include "frame/DesktopInput.h"

#include "keys/KeyParser.h"
#include "keys/NullInjector.h"
#include "keys/Player.h"
#include "keys/UsLayout.h"
#include "keys/XDisplay.h"
#include "keys/XTestInjector.h"
#include "keys/XkbLayout.h"

DesktopInput::DesktopInput(const std::string& displayName) : display(displayName) {
  try {
    layout = std::make_unique<XkbLayout>(display);
  } catch (const XError&) {
    layout = std::make_unique<UsLayout>();
  }
  try {
    injector = std::make_unique<XTestInjector>(display);
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

bool DesktopInput::grabStopKey(std::function<void()>) { return false; }

void DesktopInput::releaseStopKey() {}

std::string DesktopInput::stopKeyName() const { return {}; }
