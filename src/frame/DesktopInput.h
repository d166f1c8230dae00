#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "frame/RunInput.h"
#include "keys/KeyTokens.h"
#include "keys/StopChord.h"

class Injector;
class KeyParser;
class KeyboardLayout;
class Player;
class StopKey;
class XTestInjector;

// The keyboard and mouse of the X display a run types into: the live keyboard layout texts are
// translated with, the XTest injector and the player, and the global stop key, grabbed only
// while a run is in progress. Without a display texts still translate with a US layout,
// nothing is typed and there is no stop key. UI thread only.
class DesktopInput final : public RunInput {
 public:
  // An empty name is $DISPLAY.
  explicit DesktopInput(const std::string& displayName = {}, StopChord stopChord = StopChord::standard());
  ~DesktopInput() override;
  DesktopInput(const DesktopInput&) = delete;
  DesktopInput& operator=(const DesktopInput&) = delete;

  // Translates a stored-form text into a key-action list with the live layout. UI thread only.
  void parseKeys(std::string_view text, KeyActions& list) const;

  void playKeys(const KeyActions& list) override;
  void releaseHeldInput() override;
  void refreshKeyboardLayout() override;
  bool grabStopKey(std::function<void()> pressed) override;
  void releaseStopKey() override;
  [[nodiscard]] bool stopKeyHeld() const override;
  [[nodiscard]] std::string stopKeyName() const override;

 private:
  const std::string display;
  KeyTokens tokens;
  std::unique_ptr<KeyboardLayout> layout;
  std::unique_ptr<KeyParser> parser;
  std::unique_ptr<Injector> injector;
  // The injector when it is XTest's, which must keep the run's own keys out of the stop key.
  XTestInjector* xtest = nullptr;
  std::unique_ptr<Player> player;
  const StopChord chord;
  std::unique_ptr<StopKey> stopKey;
};
