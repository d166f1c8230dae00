#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "frame/RunInput.h"
#include "keys/KeyTokens.h"

class Injector;
class KeyParser;
class KeyboardLayout;
class Player;

// The keyboard and mouse of the X display a run types into: the live keyboard layout texts are
// translated with, the XTest injector and the player, and the global stop key. Without a
// display texts still translate with a US layout and nothing is typed. UI thread only.
class DesktopInput final : public RunInput {
 public:
  // An empty name is $DISPLAY.
  explicit DesktopInput(const std::string& displayName = {});
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
  [[nodiscard]] std::string stopKeyName() const override;

 private:
  const std::string display;
  KeyTokens tokens;
  std::unique_ptr<KeyboardLayout> layout;
  std::unique_ptr<KeyParser> parser;
  std::unique_ptr<Injector> injector;
  std::unique_ptr<Player> player;
};
