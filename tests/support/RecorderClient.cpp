#include "support/RecorderClient.h"

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstdint>
#include <sstream>
#include <stdexcept>

#include "text/Utf8.h"

namespace {

bool isModifierKeysym(std::uint32_t keysym) {
  return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
         (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Level5_Lock) || keysym == XKB_KEY_Mode_switch ||
         keysym == XKB_KEY_Num_Lock;
}

std::string renderPress(const std::string& line) {
  std::istringstream in(line);
  std::string kind;
  in >> kind;
  if (kind == "K") {
    std::string keysymHex;
    std::uint32_t codePoint = 0;
    std::string stateHex;
    in >> keysymHex >> codePoint >> stateHex;
    const std::string key =
        RecorderClient::renderKey(static_cast<std::uint32_t>(std::stoul(keysymHex, nullptr, 16)), codePoint);
    return RecorderClient::renderModified(key, static_cast<std::uint32_t>(std::stoul(stateHex, nullptr, 16)));
  }
  if (kind == "B") {
    int button = 0;
    int x = 0;
    int y = 0;
    in >> button >> x >> y;
    return RecorderClient::renderButton(button, x, y);
  }
  throw std::runtime_error("xrecorder wrote an unexpected line: " + line);
}

}  // namespace

std::string RecorderClient::renderKey(std::uint32_t keysym, std::uint32_t codePoint) {
  if (isModifierKeysym(keysym)) return {};
  if (codePoint >= 0x20 && codePoint != 0x7f) return encodeUtf8(static_cast<char32_t>(codePoint));
  std::array<char, 64> name{};
  if (xkb_keysym_get_name(keysym, name.data(), name.size()) <= 0) return "{" + std::to_string(keysym) + "}";
  return "{" + std::string(name.data()) + "}";
}

std::string RecorderClient::renderModified(const std::string& key, std::uint32_t state) {
  // Shift shows in the keysym already; Ctrl (Control), Alt (Mod1) and Super (Mod4) do not.
  std::string prefix;
  if ((state & (1U << 2)) != 0) prefix += "Ctrl+";
  if ((state & (1U << 3)) != 0) prefix += "Alt+";
  if ((state & (1U << 6)) != 0) prefix += "Super+";
  if (key.empty() || prefix.empty()) return key;
  return "{" + prefix + (key.starts_with('{') ? key.substr(1, key.size() - 2) : key) + "}";
}

std::string RecorderClient::renderButton(int button, int x, int y) {
  return "{button " + std::to_string(button) + " at " + std::to_string(x) + "," + std::to_string(y) + "}";
}

RecorderClient::RecorderClient(ChildProcess recorder) : child(std::move(recorder)) {
  if (child.readLine(Clock::now() + patience) != "READY") throw std::runtime_error("xrecorder did not get ready");
}

std::string RecorderClient::readUntilEscape() {
  std::string seen;
  const auto deadline = Clock::now() + patience;
  while (const auto line = child.readLine(deadline)) {
    const std::string press = renderPress(*line);
    if (press == "{Escape}") return seen;
    seen += press;
  }
  throw std::runtime_error("xrecorder reported no Escape press; before that it saw: " + seen);
}

std::string RecorderClient::readUntil(const std::string& text) {
  std::string seen;
  const auto deadline = Clock::now() + patience;
  while (!seen.ends_with(text)) {
    const auto line = child.readLine(deadline);
    if (!line) break;
    seen += renderPress(*line);
  }
  return seen;
}

std::string RecorderClient::readReported() {
  std::string seen;
  while (const auto line = child.readLine(Clock::now() + std::chrono::milliseconds(1))) seen += renderPress(*line);
  return seen;
}
